#include "lamps/levelkeeper.h"

#include "lamps/deskmodel.h"
#include "platform/logging.h"

#include <QFileInfo>

LevelKeeper::LevelKeeper(DeskModel &desk, QObject *parent) : QObject(parent), m_desk(desk)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(MinWriteInterval);
    connect(&m_pause, &QTimer::timeout, this, &LevelKeeper::levelsChanged);
    connect(&m_desk, &DeskModel::levelsChanged, this, &LevelKeeper::levelsChanged);
}

bool LevelKeeper::restore(const QString &path)
{
    if (path.isEmpty())
        return false;
    const LevelStore store(path);
    const std::optional<LevelStore::Levels> levels = store.read();
    if (!levels) {
        m_store = store;
        if (QFileInfo::exists(path))
            qCWarning(lcSettings, "lamp levels in %s are damaged; every lamp starts at 0",
                      qUtf8Printable(path));
        // Replaced with the first change.
        m_stored = deskLevels();
        return false;
    }
    // Kept only once they are on the desk: putting them there is no change to write back.
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        m_desk.setLevel(lamp, levels->at(lamp));
    m_store = store;
    m_stored = *levels;
    qCInfo(lcSettings, "lamp levels restored from %s", qUtf8Printable(path));
    return true;
}

void LevelKeeper::levelsChanged()
{
    if (!m_store || m_pause.isActive())
        return;
    const LevelStore::Levels levels = deskLevels();
    if (levels == m_stored)
        return;
    write(levels);
    m_pause.start();
}

void LevelKeeper::flush()
{
    if (!m_store)
        return;
    m_pause.stop();
    const LevelStore::Levels levels = deskLevels();
    if (levels != m_stored)
        write(levels);
}

LevelStore::Levels LevelKeeper::deskLevels() const
{
    LevelStore::Levels levels {};
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        levels.at(lamp) = m_desk.level(lamp);
    return levels;
}

void LevelKeeper::write(const LevelStore::Levels &levels)
{
    if (m_store->write(levels)) {
        m_stored = levels;
        m_failureLogged = false;
        return;
    }
    // Tried again once the interval is over; said once until a write succeeds.
    if (!m_failureLogged)
        qCWarning(lcSettings, "cannot write lamp levels to %s", qUtf8Printable(m_store->path()));
    m_failureLogged = true;
}

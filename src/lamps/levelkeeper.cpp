#include "lamps/levelkeeper.h"

#include "lamps/lampbank.h"
#include "platform/logging.h"

#include <QFileInfo>

LevelKeeper::LevelKeeper(LampBank &bank, QObject *parent) : QObject(parent), m_bank(bank)
{
    m_pause.setSingleShot(true);
    m_pause.setInterval(MinWriteInterval);
    connect(&m_pause, &QTimer::timeout, this, &LevelKeeper::levelsMayHaveChanged);
}

bool LevelKeeper::restore(const QString &path)
{
    if (path.isEmpty())
        return false;
    m_store.emplace(path);
    const std::optional<LevelStore::Levels> levels = m_store->read();
    if (!levels) {
        if (QFileInfo::exists(path))
            qCWarning(lcSettings, "lamp levels in %s are damaged; every lamp starts at 0",
                      qUtf8Printable(path));
        // Replaced with the first change.
        m_stored = bankLevels();
        return false;
    }
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        m_bank.restoreLevel(lamp, levels->at(lamp));
    m_stored = *levels;
    qCInfo(lcSettings, "lamp levels restored from %s", qUtf8Printable(path));
    return true;
}

void LevelKeeper::levelsMayHaveChanged()
{
    if (!m_store || m_pause.isActive())
        return;
    const LevelStore::Levels levels = bankLevels();
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
    const LevelStore::Levels levels = bankLevels();
    if (levels != m_stored)
        write(levels);
}

LevelStore::Levels LevelKeeper::bankLevels() const
{
    LevelStore::Levels levels {};
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        levels.at(lamp) = m_bank.lampLevel(lamp);
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

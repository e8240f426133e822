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
    connect(&m_desk, &DeskModel::blackoutChanged, this, &LevelKeeper::levelsChanged);
}

bool LevelKeeper::restore(const QString &path)
{
    if (path.isEmpty())
        return false;
    const LevelStore store(path);
    const std::optional<LevelStore::State> state = store.read();
    if (!state) {
        m_store = store;
        if (QFileInfo::exists(path))
            qCWarning(lcSettings, "lamp levels in %s are damaged; every lamp starts at 0",
                      qUtf8Printable(path));
        // Replaced with the first change.
        m_stored = deskState();
        return false;
    }
    // Kept only once they are on the desk: putting them there is no change to write back.
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        m_desk.setLevel(lamp, state->levels.at(lamp));
    m_desk.setBlackout(state->blackout);
    m_store = store;
    m_stored = *state;
    qCInfo(lcSettings, "lamp levels restored from %s", qUtf8Printable(path));
    return true;
}

void LevelKeeper::levelsChanged()
{
    if (!m_store || m_pause.isActive())
        return;
    const LevelStore::State state = deskState();
    if (state == m_stored)
        return;
    write(state);
    m_pause.start();
}

void LevelKeeper::flush()
{
    if (!m_store)
        return;
    m_pause.stop();
    const LevelStore::State state = deskState();
    if (state != m_stored)
        write(state);
}

LevelStore::State LevelKeeper::deskState() const
{
    LevelStore::State state;
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp)
        state.levels.at(lamp) = m_desk.level(lamp);
    state.blackout = m_desk.isBlackout();
    return state;
}

void LevelKeeper::write(const LevelStore::State &state)
{
    if (m_store->write(state)) {
        m_stored = state;
        m_failureLogged = false;
        return;
    }
    // Tried again once the interval is over; said once until a write succeeds.
    if (!m_failureLogged)
        qCWarning(lcSettings, "cannot write lamp levels to %s", qUtf8Printable(m_store->path()));
    m_failureLogged = true;
}

#pragma once

#include "lamps/levelstore.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <optional>

class DeskModel;

// Keeps the desk's levels and blackout in a state file across runs, once restore() has
// named it; until then it does nothing, and no file is read or written.
//
// It listens to the desk: while levels or the blackout change the file is replaced at
// most once every MinWriteInterval, the first change at once, later ones when the
// interval is over, so a crash loses at most that much. flush() writes what is left, at close.
class LevelKeeper final : public QObject
{
    Q_OBJECT

public:
    static constexpr std::chrono::seconds MinWriteInterval {2};

    explicit LevelKeeper(DeskModel &desk, QObject *parent = nullptr);

    // Keeps the levels in the file at path from now on, and puts the levels (and the
    // blackout) stored there on the desk. False for a missing or damaged file, which
    // leaves the desk as it is; an empty path keeps nothing.
    bool restore(const QString &path);
    bool isKeeping() const { return m_store.has_value(); }

    // Writes the desk's levels if they differ from the file's, whenever it was last written.
    void flush();

private:
    // Writes the desk's levels if they differ from the file's and the last write is long
    // enough ago; the interval's end looks again.
    void levelsChanged();
    LevelStore::State deskState() const;
    void write(const LevelStore::State &state);

    DeskModel &m_desk;
    std::optional<LevelStore> m_store;
    // What the file holds as far as this run knows.
    LevelStore::State m_stored;
    QTimer m_pause;
    bool m_failureLogged = false;
};

#pragma once

#include "lamps/lampcommand.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

// Every lamp's level and the blackout kept in a small text file between runs:
//
//     Kelvaris levels 2
//     L0=0
//     L1=200
//     ...
//     L15=0
//     Blackout=0
//
// The header names the format and its version. Version 1, written before blackout
// came, has no Blackout line and reads as blackout off. A file is taken whole or not
// at all: a wrong header, a line that is not L<lamp>=<level> with a lamp of 0 to 15 and
// a level of 0 to 255, a lamp twice or a lamp missing, or a version 2 file whose last
// line is not Blackout=0 or Blackout=1, all make it damaged, and a damaged file is read
// as no file.
class LevelStore final
{
public:
    using Levels = std::array<int, LampCommand::MaxLamps>;
    struct State
    {
        Levels levels {};
        bool blackout = false;

        bool operator==(const State &other) const
        {
            return levels == other.levels && blackout == other.blackout;
        }
        bool operator!=(const State &other) const { return !(*this == other); }
    };

    static constexpr char Header[] = "Kelvaris levels 2";
    static constexpr char FirstHeader[] = "Kelvaris levels 1";
    // Sixteen full lines take under 150 bytes; anything far larger is not this file.
    static constexpr qint64 MaxFileSize = 1024;

    explicit LevelStore(QString path);

    QString path() const { return m_path; }

    // The stored state; none for a missing, unreadable or damaged file.
    std::optional<State> read() const;
    // Replaces the file in one step (a crash leaves the old file or the new one), as the
    // settings file is replaced: created readable and writable by its owner alone, a
    // replaced file keeping its owner and mode; missing folders are made. False when
    // it could not be written, the old file then left as it was.
    bool write(const State &state) const;

    static QByteArray format(const State &state);
    static std::optional<State> parse(const QByteArray &text);

private:
    QString m_path;
};

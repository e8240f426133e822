#pragma once

#include "lamps/lampcommand.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>
#include <array>
#include <optional>

// Every lamp's level kept in a small text file between runs:
//
//     Kelvaris levels 1
//     L0=0
//     L1=200
//     ...
//     L15=0
//
// The header names the format and its version. A file is taken whole or not at all:
// a wrong header, a line that is not L<lamp>=<level> with a lamp of 0 to 15 and a level
// of 0 to 255, a lamp twice or a lamp missing all make it damaged, and a damaged file
// is read as no file.
class LevelStore final
{
public:
    using Levels = std::array<int, LampCommand::MaxLamps>;

    static constexpr char Header[] = "Kelvaris levels 1";
    // Sixteen full lines take under 150 bytes; anything far larger is not this file.
    static constexpr qint64 MaxFileSize = 1024;

    explicit LevelStore(QString path);

    QString path() const { return m_path; }

    // The stored levels; none for a missing, unreadable or damaged file.
    std::optional<Levels> read() const;
    // Replaces the file in one step (a crash leaves the old file or the new one), as the
    // settings file is replaced: created readable and writable by its owner alone, a
    // replaced file keeping its owner and mode; missing folders are made. False when
    // it could not be written, the old file then left as it was.
    bool write(const Levels &levels) const;

    static QByteArray format(const Levels &levels);
    static std::optional<Levels> parse(const QByteArray &text);

private:
    QString m_path;
};

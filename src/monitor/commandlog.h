#pragma once

#include "monitor/lampcommanddecoder.h"

#include <QByteArray>
#include <QtGlobal>

#include <cstdio>

// The --log output: one line per decoded event, flushed at once because scripts and
// tests read it through a pipe.
//   "<ms> L<lamp> <level>"  a lamp command, lamp and level in decimal ("1520 L3 200")
//   "<ms> BAD <bytes>"      bytes since the previous line that formed no command:
//                           '!' to '~' as themselves, anything else (space, backslash,
//                           control and 8-bit bytes) as \xHH ("BAD xyz\x0D"); a run
//                           longer than the decoder keeps ends "(<n> bytes in all)"
// <ms> is milliseconds since the monitor started, from a monotonic clock.
class CommandLog final
{
public:
    explicit CommandLog(std::FILE *out) : m_out(out) { }

    static QByteArray line(qint64 timestampMs, const LampCommandDecoder::Event &event);
    void write(qint64 timestampMs, const LampCommandDecoder::Event &event);

private:
    std::FILE *m_out = nullptr;
};

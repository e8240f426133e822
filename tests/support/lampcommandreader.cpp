#include "lampcommandreader.h"

#include "pseudoterminal.h"

#include <QElapsedTimer>

namespace {

// How long one read waits, so that the time limit is looked at often enough.
constexpr std::chrono::milliseconds ReadSlice {50};

} // namespace

QList<LampCommandReader::Command> LampCommandReader::receive(int count,
                                                             std::chrono::milliseconds timeout)
{
    QList<Command> commands;
    QElapsedTimer clock;
    clock.start();
    while (commands.size() < count && clock.elapsed() < timeout.count()) {
        const QVector<LampCommandDecoder::Event> events
            = m_decoder.feed(m_line.read(LampCommand::Size, ReadSlice));
        for (const auto &event : events) {
            if (event.kind == LampCommandDecoder::Event::Kind::Command)
                commands.append({event.lamp, event.level, clock.elapsed()});
        }
        tally(events);
    }
    return commands;
}

qint64 LampCommandReader::malformedBytes()
{
    tally(m_decoder.flush());
    return m_malformedBytes;
}

void LampCommandReader::tally(const QVector<LampCommandDecoder::Event> &events)
{
    for (const auto &event : events)
        m_malformedBytes += event.malformedBytes;
}

#include "lampcommandreader.h"

#include "monitor/lampcommanddecoder.h"
#include "pseudoterminal.h"

#include <QElapsedTimer>

namespace {

// How long one read waits, so that the time limit is looked at often enough.
constexpr std::chrono::milliseconds ReadSlice {50};

} // namespace

QList<LampCommandReader::Command> LampCommandReader::receive(PseudoTerminal &line,
                                                             LampCommandDecoder &decoder, int count,
                                                             std::chrono::milliseconds timeout)
{
    QList<Command> commands;
    QElapsedTimer clock;
    clock.start();
    while (commands.size() < count && clock.elapsed() < timeout.count()) {
        const QByteArray bytes = line.read(LampCommand::Size, ReadSlice);
        for (const auto &event : decoder.feed(bytes)) {
            if (event.kind == LampCommandDecoder::Event::Kind::Command)
                commands.append({event.lamp, event.level, clock.elapsed()});
        }
    }
    return commands;
}

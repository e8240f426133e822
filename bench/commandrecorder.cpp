#include "commandrecorder.h"

#include "monitor/lampcommanddecoder.h"
#include "monotonicclock.h"

#include <QByteArray>
#include <array>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr std::size_t ReadChunkSize = 4096;

} // namespace

CommandRecorder::CommandRecorder(int masterDescriptor) : m_master(masterDescriptor) { }

CommandRecorder::~CommandRecorder()
{
    stop();
}

void CommandRecorder::start()
{
    if (m_thread.joinable())
        return;
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
}

void CommandRecorder::stop()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool CommandRecorder::waitForCount(std::size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_commands.size() >= count; });
}

std::vector<CommandRecorder::Command> CommandRecorder::commands() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

qint64 CommandRecorder::malformedBytes() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_malformedBytes;
}

void CommandRecorder::run()
{
    LampCommandDecoder decoder;
    std::array<char, ReadChunkSize> buffer {};
    while (!m_stopping) {
        pollfd watch {m_master, POLLIN, 0};
        if (::poll(&watch, 1, int(PollInterval.count())) <= 0)
            continue;
        if ((watch.revents & POLLIN) == 0) {
            // Nobody has the slave open at the moment (the panel has not opened it yet).
            std::this_thread::sleep_for(PollInterval);
            continue;
        }
        const ssize_t got = ::read(m_master, buffer.data(), buffer.size());
        const qint64 atNs = MonotonicClock::nowNs();
        if (got <= 0)
            continue;
        const QVector<LampCommandDecoder::Event> events
            = decoder.feed(QByteArray(buffer.data(), qsizetype(got)));
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            for (const LampCommandDecoder::Event &event : events) {
                if (event.kind == LampCommandDecoder::Event::Kind::Command)
                    m_commands.push_back({event.lamp, event.level, atNs});
                else
                    m_malformedBytes += event.malformedBytes;
            }
        }
        m_arrived.notify_all();
    }
}

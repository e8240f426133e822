#include "lampcommandreader.h"

#include "lamps/lampcommand.h"
#include "pseudoterminal.h"

#include <QDeadlineTimer>
#include <array>
#include <ctime>
#include <poll.h>
#include <unistd.h>

LampCommandReader::LampCommandReader(PseudoTerminal &line) : m_line(line) { }

LampCommandReader::~LampCommandReader()
{
    stop();
}

QList<LampCommandReader::Command> LampCommandReader::receive(int count,
                                                             std::chrono::milliseconds timeout)
{
    const std::size_t first = commands().size();
    const QDeadlineTimer deadline(timeout);
    while (commands().size() < first + std::size_t(count) && !deadline.hasExpired())
        take(m_line.read(LampCommand::Size, ReadSlice), nowNs());
    const std::lock_guard<std::mutex> lock(m_mutex);
    return QList<Command>(m_commands.begin() + qsizetype(first), m_commands.end());
}

void LampCommandReader::start()
{
    if (m_thread.joinable())
        return;
    m_stopping = false;
    m_thread = std::thread([this] { run(); });
}

void LampCommandReader::stop()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
}

bool LampCommandReader::waitForCount(std::size_t count, std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_arrived.wait_for(lock, timeout, [&] { return m_commands.size() >= count; });
}

std::vector<LampCommandReader::Command> LampCommandReader::commands() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_commands;
}

qint64 LampCommandReader::malformedBytes()
{
    if (!m_thread.joinable())
        take({}, nowNs());
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_malformedBytes;
}

qint64 LampCommandReader::nowNs()
{
    timespec now {};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Empty bytes flush the decoder: what it holds of an unfinished command is bad.
void LampCommandReader::take(const QByteArray &bytes, qint64 atNs)
{
    const QVector<LampCommandDecoder::Event> events
        = bytes.isEmpty() ? m_decoder.flush() : m_decoder.feed(bytes);
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        for (const LampCommandDecoder::Event &event : events) {
            if (event.kind == LampCommandDecoder::Event::Kind::Command)
                m_commands.push_back({event.lamp, event.level, atNs});
            m_malformedBytes += event.malformedBytes;
        }
    }
    m_arrived.notify_all();
}

// Blocks in poll(), so a command is stamped as soon as its bytes are there.
void LampCommandReader::run()
{
    const int master = m_line.masterDescriptor();
    std::array<char, 4096> buffer {};
    while (!m_stopping) {
        pollfd watch {master, POLLIN, 0};
        if (::poll(&watch, 1, int(ReadSlice.count())) <= 0)
            continue;
        if ((watch.revents & POLLIN) == 0) {
            // Nobody has the slave open at the moment.
            std::this_thread::sleep_for(ReadSlice);
            continue;
        }
        const ssize_t got = ::read(master, buffer.data(), buffer.size());
        const qint64 atNs = nowNs();
        if (got > 0)
            take(QByteArray(buffer.data(), qsizetype(got)), atNs);
    }
}

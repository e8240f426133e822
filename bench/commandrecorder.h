#pragma once

#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// Reads a pty's master side on its own thread, so the panel never stalls on a full
// pty, and stamps every complete lamp command with the monotonic time of the read
// that brought its last byte. The thread blocks in poll(), so it wakes as soon as
// the bytes are there.
class CommandRecorder final
{
public:
    struct Command
    {
        int lamp = 0;
        int level = 0;
        qint64 atNs = 0;
    };

    explicit CommandRecorder(int masterDescriptor);
    ~CommandRecorder();
    CommandRecorder(const CommandRecorder &) = delete;
    CommandRecorder &operator=(const CommandRecorder &) = delete;

    void start();
    void stop();

    // Waits until at least count commands have arrived; false on timeout.
    bool waitForCount(std::size_t count, std::chrono::milliseconds timeout);
    std::vector<Command> commands() const;
    qint64 malformedBytes() const;

private:
    void run();

    static constexpr std::chrono::milliseconds PollInterval {50};

    int m_master = -1;
    std::thread m_thread;
    std::atomic_bool m_stopping {false};
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::vector<Command> m_commands;
    qint64 m_malformedBytes = 0;
};

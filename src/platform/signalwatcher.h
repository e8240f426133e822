#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGINT and SIGTERM into a Qt signal. The handler only writes the signal number
// into a pipe; the event loop reads it, so the program ends from ordinary code: the
// monitor restores the terminal, the panel closes its window and with it the serial
// port. One watcher per process.
class SignalWatcher final : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

Q_SIGNALS:
    void terminationRequested(int signalNumber);

private:
    static void handleSignal(int signalNumber);
    void readPipe();

    static inline int s_writeFd = -1;
    int m_readFd = -1;
    QSocketNotifier *m_notifier = nullptr;
};

#pragma once

#include "monitor/bytesource.h"
#include "monitor/commandlog.h"
#include "monitor/lampactivity.h"
#include "monitor/lampcommanddecoder.h"
#include "monitor/monitorexitcode.h"
#include "platform/signalwatcher.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>

class LiveView;

// One run of the monitor: bytes from the source go through the decoder into the log
// or the live view, until SIGINT/SIGTERM or the source fails.
class MonitorSession final : public QObject
{
    Q_OBJECT

public:
    enum class Output { Log, LiveView };

    // Bad bytes are reported when a command ends them; if the line goes quiet first,
    // they (and an unfinished command) are reported after this long.
    static constexpr std::chrono::milliseconds QuietLine {200};

    MonitorSession(ByteSource &source, Output output, std::FILE *out, bool terminal,
                   QObject *parent = nullptr);
    ~MonitorSession() override;

    void start();

Q_SIGNALS:
    void finished(int exitCode);

private:
    void receive(const QByteArray &bytes);
    void record(const QVector<LampCommandDecoder::Event> &events);
    void finish(MonitorExitCode code, const QString &message = {});

    ByteSource &m_source;
    Output m_output = Output::Log;
    QElapsedTimer m_clock;
    LampCommandDecoder m_decoder;
    LampActivity m_activity;
    CommandLog m_log;
    std::unique_ptr<LiveView> m_view;
    SignalWatcher m_signals;
    QTimer m_quietTimer;
    bool m_finished = false;
};

#include "monitor/monitorsession.h"

#include "monitor/liveview.h"

MonitorSession::MonitorSession(ByteSource &source, Output output, std::FILE *out, bool terminal,
                               QObject *parent)
    : QObject(parent), m_source(source), m_output(output), m_log(out)
{
    m_clock.start();
    if (output == Output::LiveView)
        m_view
            = std::make_unique<LiveView>(m_activity, m_clock, source.deviceName(), out, terminal);

    m_quietTimer.setSingleShot(true);
    m_quietTimer.setInterval(QuietLine);
    connect(&m_quietTimer, &QTimer::timeout, this, [this] { record(m_decoder.flush()); });
    connect(&m_source, &ByteSource::bytesReceived, this, &MonitorSession::receive);
    connect(&m_source, &ByteSource::failed, this,
            [this] { finish(m_source.failureCode(), m_source.failureMessage()); });
    connect(&m_signals, &SignalWatcher::terminationRequested, this,
            [this] { finish(MonitorExitCode::Normal); });
}

MonitorSession::~MonitorSession() = default;

void MonitorSession::start()
{
    if (m_view)
        m_view->start();
}

void MonitorSession::receive(const QByteArray &bytes)
{
    if (m_finished)
        return;
    record(m_decoder.feed(bytes));
    m_quietTimer.start();
}

void MonitorSession::record(const QVector<LampCommandDecoder::Event> &events)
{
    const qint64 nowMs = m_clock.elapsed();
    for (const LampCommandDecoder::Event &event : events) {
        if (event.kind == LampCommandDecoder::Event::Kind::Command)
            m_activity.recordCommand(event.lamp, event.level, nowMs);
        else
            m_activity.recordMalformed(event.malformedBytes);
        if (m_output == Output::Log)
            m_log.write(nowMs, event);
    }
}

void MonitorSession::finish(MonitorExitCode code, const QString &message)
{
    if (m_finished)
        return;
    m_finished = true;
    m_quietTimer.stop();
    record(m_decoder.flush());
    // The terminal gets its cursor back before any message is printed.
    if (m_view)
        m_view->stop();
    if (!message.isEmpty()) {
        const QByteArray text = message.toLocal8Bit() + '\n';
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    }
    Q_EMIT finished(static_cast<int>(code));
}

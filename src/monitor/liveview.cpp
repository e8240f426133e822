#include "monitor/liveview.h"

#include <QByteArray>

namespace {
const auto HideCursor = QByteArrayLiteral("\x1b[?25l");
const auto ShowCursor = QByteArrayLiteral("\x1b[?25h");
const auto ClearLine = QByteArrayLiteral("\x1b[2K");

constexpr char16_t FullCell = u'\u2588';
constexpr char16_t EmptyCell = u'\u2591';
constexpr char PlainFullCell = '#';
constexpr char PlainEmptyCell = '.';

constexpr int LampNumberWidth = 2;
constexpr int LevelWidth = 5;
constexpr int AgeWidth = 6;
constexpr int RateDecimals = 1;
constexpr int AgeDecimals = 1;
constexpr double MillisecondsPerSecond = 1000.0;
} // namespace

LiveView::LiveView(LampActivity &activity, const QElapsedTimer &clock, const QString &deviceName,
                   std::FILE *out, bool terminal, QObject *parent)
    : QObject(parent)
    , m_activity(activity)
    , m_clock(clock)
    , m_deviceName(deviceName)
    , m_out(out)
    , m_terminal(terminal)
{
    m_timer.setInterval(terminal ? TerminalRefresh : SnapshotInterval);
    connect(&m_timer, &QTimer::timeout, this, &LiveView::draw);
}

QString LiveView::frame(qint64 nowMs)
{
    QString text = QStringLiteral("Kelvaris lamp monitor  %1  up %2 s%3\n")
                       .arg(m_deviceName)
                       .arg(static_cast<double>(nowMs) / MillisecondsPerSecond, 0, 'f', AgeDecimals)
                       .arg(m_terminal ? QStringLiteral("  (Ctrl+C to quit)") : QString());
    text += QStringLiteral("commands/s %1   commands %2   bad bytes %3\n")
                .arg(m_activity.commandsPerSecond(nowMs), 0, 'f', RateDecimals)
                .arg(m_activity.commandCount())
                .arg(m_activity.malformedByteCount());
    for (int lamp = 0; lamp < LampCommandDecoder::LampCount; ++lamp)
        text += lampRow(lamp, nowMs);
    return text;
}

QString LiveView::lampRow(int index, qint64 nowMs) const
{
    const LampActivity::Lamp lamp = m_activity.lamp(index);
    const QChar full = m_terminal ? QChar(FullCell) : QChar::fromLatin1(PlainFullCell);
    const QChar empty = m_terminal ? QChar(EmptyCell) : QChar::fromLatin1(PlainEmptyCell);
    const QString label = QStringLiteral("LAMP %1").arg(index, -LampNumberWidth);
    if (!lamp.seen)
        return QStringLiteral("%1 %2 %3\n")
            .arg(label, QStringLiteral("-").rightJustified(LevelWidth), QString(BarCells, empty));

    const int filled
        = qRound(static_cast<double>(lamp.level) * BarCells / LampCommandDecoder::MaxLevel);
    const double ageSeconds
        = static_cast<double>(nowMs - lamp.lastCommandMs) / MillisecondsPerSecond;
    return QStringLiteral("%1 %2 %3%4 %5 s ago\n")
        .arg(label)
        .arg(lamp.level, LevelWidth)
        .arg(QString(filled, full), QString(BarCells - filled, empty))
        .arg(ageSeconds, AgeWidth, 'f', AgeDecimals);
}

void LiveView::start()
{
    if (m_running)
        return;
    m_running = true;
    if (m_terminal) {
        std::fwrite(HideCursor.constData(), 1, static_cast<std::size_t>(HideCursor.size()), m_out);
    }
    draw();
    m_timer.start();
}

void LiveView::stop()
{
    if (!m_running)
        return;
    m_timer.stop();
    draw();
    m_running = false;
    if (m_terminal) {
        std::fwrite(ShowCursor.constData(), 1, static_cast<std::size_t>(ShowCursor.size()), m_out);
        std::fflush(m_out);
    }
}

void LiveView::draw()
{
    const QString text = frame(m_clock.elapsed());
    QByteArray output;
    if (m_terminal) {
        // Back to the top of the last view and overwrite it line by line, so the lines
        // above it (the device path of the virtual controller) stay on screen.
        if (m_linesDrawn > 0)
            output += "\r\x1b[" + QByteArray::number(m_linesDrawn) + 'A';
        const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines)
            output += ClearLine + line.toUtf8() + '\n';
        m_linesDrawn = static_cast<int>(lines.size());
    } else {
        output = text.toUtf8() + '\n';
    }
    std::fwrite(output.constData(), 1, static_cast<std::size_t>(output.size()), m_out);
    std::fflush(m_out);
}

#include "monitor/liveview.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <array>
#include <numeric>
#include <sys/ioctl.h>
#include <tuple>

namespace {
const auto HideCursor = QByteArrayLiteral("\x1b[?25l");
const auto ShowCursor = QByteArrayLiteral("\x1b[?25h");
const auto ClearLine = QByteArrayLiteral("\x1b[2K");
const auto ClearBelow = QByteArrayLiteral("\x1b[J");
// After a resize the terminal may have rewrapped or scrolled the old view, so the view
// starts again from the top of a cleared screen.
const auto HomeAndClearScreen = QByteArrayLiteral("\x1b[H\x1b[2J");

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
constexpr int HeaderLines = 2;
// The line the cursor rests on below the view: using it would scroll the terminal.
constexpr int CursorLine = 1;
constexpr char16_t Ellipsis = u'\u2026';

// Which lamp keeps its row in a short terminal: the panel sends every lamp it drives
// again and again, so being seen says little; the lamp being moved is the one whose
// level changed last. Then lamps seen on the line, then the others.
bool keptBefore(const LampActivity::Lamp &a, const LampActivity::Lamp &b)
{
    const auto rank = [](const LampActivity::Lamp &lamp) {
        return std::make_tuple(lamp.changed, lamp.seen, lamp.changed ? lamp.lastChangeMs : 0);
    };
    return rank(a) > rank(b);
}
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

QString LiveView::frame(qint64 nowMs, TerminalSize size)
{
    QStringList lines;
    lines.append(QStringLiteral("Kelvaris lamp monitor  %1  up %2 s%3")
                     .arg(m_deviceName)
                     .arg(static_cast<double>(nowMs) / MillisecondsPerSecond, 0, 'f', AgeDecimals)
                     .arg(m_terminal ? QStringLiteral("  (Ctrl+C to quit)") : QString()));
    lines.append(QStringLiteral("commands/s %1   commands %2   bad bytes %3")
                     .arg(m_activity.commandsPerSecond(nowMs), 0, 'f', RateDecimals)
                     .arg(m_activity.commandCount())
                     .arg(m_activity.malformedByteCount()));

    constexpr int AllLines = HeaderLines + LampCommand::MaxLamps;
    const int maxLines = size.rows > 0 ? std::max(size.rows - CursorLine, 1) : AllLines;
    std::array<bool, LampCommand::MaxLamps> shown {};
    if (maxLines >= AllLines) {
        shown.fill(true);
    } else {
        // Room for the lamps between the header and the line about the hidden ones; the
        // rows kept stay in lamp order, ties go to the lower lamp.
        const int room = std::max(maxLines - HeaderLines - 1, 0);
        std::array<int, LampCommand::MaxLamps> byKeeping {};
        std::iota(byKeeping.begin(), byKeeping.end(), 0);
        std::stable_sort(byKeeping.begin(), byKeeping.end(), [this](int a, int b) {
            return keptBefore(m_activity.lamp(a), m_activity.lamp(b));
        });
        for (int i = 0; i < room; ++i)
            shown[static_cast<std::size_t>(byKeeping[static_cast<std::size_t>(i)])] = true;
    }
    for (int lamp = 0; lamp < LampCommand::MaxLamps; ++lamp) {
        if (shown[static_cast<std::size_t>(lamp)])
            lines.append(lampRow(lamp, nowMs));
    }
    const auto hidden = std::count(shown.cbegin(), shown.cend(), false);
    if (hidden > 0)
        lines.append(QStringLiteral("%1 %2 %3 hidden: enlarge the terminal")
                         .arg(QChar(Ellipsis))
                         .arg(hidden)
                         .arg(hidden == 1 ? QStringLiteral("lamp") : QStringLiteral("lamps")));

    // A terminal too small even for the header gets what fits.
    if (lines.size() > maxLines)
        lines.resize(maxLines);
    // A line that wrapped would take two rows and push the view off the screen.
    if (size.columns > 0) {
        for (QString &line : lines)
            line.truncate(size.columns);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString LiveView::lampRow(int index, qint64 nowMs) const
{
    const LampActivity::Lamp lamp = m_activity.lamp(index);
    const QChar full = m_terminal ? QChar(FullCell) : QChar::fromLatin1(PlainFullCell);
    const QChar empty = m_terminal ? QChar(EmptyCell) : QChar::fromLatin1(PlainEmptyCell);
    const QString label = QStringLiteral("LAMP %1").arg(index, -LampNumberWidth);
    if (!lamp.seen)
        return QStringLiteral("%1 %2 %3")
            .arg(label, QStringLiteral("-").rightJustified(LevelWidth), QString(BarCells, empty));

    const int filled = qRound(static_cast<double>(lamp.level) * BarCells / LampCommand::MaxLevel);
    const double ageSeconds
        = static_cast<double>(nowMs - lamp.lastCommandMs) / MillisecondsPerSecond;
    return QStringLiteral("%1 %2 %3%4 %5 s ago")
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
    const TerminalSize size = terminalSize();
    const QString text = frame(m_clock.elapsed(), size);
    QByteArray output;
    if (m_terminal) {
        // Back to the top of the last view and overwrite it line by line, so the lines
        // above it (the device path of the virtual controller) stay on screen.
        if (m_linesDrawn > 0 && size != m_drawnSize)
            output += HomeAndClearScreen;
        else if (m_linesDrawn > 0)
            output += "\r\x1b[" + QByteArray::number(m_linesDrawn) + 'A';
        const QStringList lines = text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines)
            output += ClearLine + line.toUtf8() + '\n';
        output += ClearBelow;
        m_linesDrawn = static_cast<int>(lines.size());
        m_drawnSize = size;
    } else {
        output = text.toUtf8() + '\n';
    }
    std::fwrite(output.constData(), 1, static_cast<std::size_t>(output.size()), m_out);
    std::fflush(m_out);
}

// Asked before every redraw, so a resized window is fitted at the next one, a quarter
// of a second later at most; 0 by 0 when it cannot be known (a fresh pseudo-terminal).
LiveView::TerminalSize LiveView::terminalSize() const
{
    winsize window = {};
    if (!m_terminal || ::ioctl(::fileno(m_out), TIOCGWINSZ, &window) != 0)
        return {};
    return {window.ws_row, window.ws_col};
}

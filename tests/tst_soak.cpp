// A minute of continuous work: all sixteen lamps checked and linked, one slider moved up
// and down every few milliseconds, while the controller's end of the line decodes
// everything the panel sends.

#include "monitor/lampcommanddecoder.h"
#include "panel/lampslider.h"
#include "panel/panelwindow.h"
#include "panelini.h"
#include "processusage.h"
#include "pseudoterminal.h"

#include <QCheckBox>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <array>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr int Lamps = LampCommand::MaxLamps;
constexpr int MovedLamp = 5;
constexpr std::chrono::milliseconds SoakTime = 60s;
constexpr std::chrono::milliseconds FirstSample = 10s;
// More than one full rotation of sixteen ticks of 125 ms.
constexpr std::chrono::milliseconds SettleTime = 3s;
constexpr std::chrono::milliseconds PumpSlice = 2ms;
constexpr qsizetype ReadAtMost = 1 << 16;
constexpr qint64 MaxGrowthKb = 2048;
constexpr int KeyEvery = 8;
constexpr int MaxStep = 7;
constexpr quint32 MoveSeed = 1234;

// Resident memory of this process, in kB; -1 when it cannot be read.
qint64 residentKb()
{
    return ProcessUsage::residentKiB(QCoreApplication::applicationPid()).value_or(-1);
}

// The commands of one refresh tick: at most one per lamp, lowest lamp first, and with
// every lamp linked to the moved one, all at the same level.
class TickCheck final
{
public:
    void add(int lamp, int level)
    {
        if (lamp <= m_lastLamp)
            m_ascending = false;
        if (m_count > 0 && level != m_level)
            m_sameLevel = false;
        m_lastLamp = lamp;
        m_level = level;
        ++m_count;
    }

    // Ends the tick; false when it broke a rule.
    bool close(int &count)
    {
        count = m_count;
        const bool good = m_count <= Lamps && m_ascending && m_sameLevel;
        *this = TickCheck();
        return good;
    }

private:
    int m_count = 0;
    int m_lastLamp = -1;
    int m_level = 0;
    bool m_ascending = true;
    bool m_sameLevel = true;
};

} // namespace

class tst_Soak : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void linkedSliderForAMinute();
};

void tst_Soak::linkedSliderForAMinute()
{
    PseudoTerminal line;
    QVERIFY(line.isValid());
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = PanelIni {16, line.devicePath()}.write(dir.path());
    QVERIFY(!path.isEmpty());

    PanelWindow window(path);
    window.load();
    window.show();
    QCOMPARE(window.findChild<PanelEngine *>()->desk().lampCount(), Lamps);
    QVERIFY(window.findChild<PanelEngine *>()->serialLink().isOpen());
    std::array<LampSlider *, Lamps> sliders {};
    for (int lamp = 0; lamp < Lamps; ++lamp) {
        sliders.at(lamp) = window.findChild<LampSlider *>(QStringLiteral("LampSlider%1").arg(lamp));
        auto *box = window.findChild<QCheckBox *>(QStringLiteral("LampCheckbox%1").arg(lamp));
        QVERIFY(sliders.at(lamp) && box);
        QTest::mouseClick(box, Qt::LeftButton);
        QVERIFY(box->isChecked());
    }
    LampSlider *moved = sliders.at(MovedLamp);

    // Ticks are counted as the refresh timer fires. A tick's commands are queued during
    // the tick and reach the line only when the event loop next runs, so whatever
    // arrives in the read during which a tick happened, and until the next tick, is
    // that tick's.
    int ticks = 0;
    int mergedTicks = 0;
    QSignalSpy fired(window.findChild<QTimer *>(QStringLiteral("RefreshTimer")), &QTimer::timeout);
    LampCommandDecoder decoder;
    qint64 malformedBytes = 0;
    std::array<int, Lamps> lastLevel {};
    lastLevel.fill(-1);
    TickCheck tick;
    qint64 commands = 0;
    int ticksChecked = 0;
    int fullTicks = 0;
    int mostInATick = 0;
    int brokenTicks = 0;
    bool skipTick = false;
    const auto closeTick = [&] {
        if (skipTick) {
            tick = TickCheck();
            skipTick = false;
            return;
        }
        int count = 0;
        if (!tick.close(count))
            ++brokenTicks;
        if (count == 0)
            return;
        ++ticksChecked;
        fullTicks += count == Lamps ? 1 : 0;
        mostInATick = std::max(mostInATick, count);
    };
    const auto pump = [&](std::chrono::milliseconds slice) {
        const QByteArray bytes = line.read(ReadAtMost, slice);
        const auto passed = int(fired.size());
        fired.clear();
        if (passed > 0) {
            closeTick();
            ticks += passed;
        }
        // Two ticks within one short read: the event loop was held up, and their
        // commands cannot be told apart; they are counted, not checked.
        if (passed > 1) {
            ++mergedTicks;
            skipTick = true;
        }
        for (const auto &event : decoder.feed(bytes)) {
            malformedBytes += event.malformedBytes;
            if (event.kind != LampCommandDecoder::Event::Kind::Command)
                continue;
            ++commands;
            lastLevel.at(event.lamp) = event.level;
            tick.add(event.lamp, event.level);
        }
    };

    // Up and down in uneven steps, now and then by key.
    QRandomGenerator random(MoveSeed);
    int direction = -1;
    qint64 rssStart = -1;
    int moves = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < SoakTime.count()) {
        ++moves;
        if (moves % KeyEvery == 0) {
            QTest::keyClick(moved, direction < 0 ? Qt::Key_Up : Qt::Key_Down);
        } else {
            const int next = moved->value() + direction * (1 + int(random.bounded(MaxStep)));
            if (next < LampSlider::Minimum || next > LampSlider::Maximum)
                direction = -direction;
            moved->setValue(qBound(LampSlider::Minimum, next, LampSlider::Maximum));
        }
        pump(PumpSlice);
        if (rssStart < 0 && clock.elapsed() >= FirstSample.count())
            rssStart = residentKb();
    }
    const int ticksMoving = ticks;

    // Still: within a full rotation every lamp's level is repeated.
    QElapsedTimer settling;
    settling.start();
    while (settling.elapsed() < SettleTime.count())
        pump(PumpSlice);
    closeTick();
    for (const auto &event : decoder.flush())
        malformedBytes += event.malformedBytes;
    const qint64 rssEnd = residentKb();

    qInfo("%d moves, %d ticks while moving, %d ticks in all, %d ticks with commands, %d with "
          "all 16 lamps, at most %d in a tick, %lld commands, %d reads spanning two ticks",
          moves, ticksMoving, ticks, ticksChecked, fullTicks, mostInATick, qlonglong(commands),
          mergedTicks);
    qInfo("resident memory after %lld s: %lld kB, at the end: %lld kB",
          qlonglong(std::chrono::duration_cast<std::chrono::seconds>(FirstSample).count()),
          qlonglong(rssStart), qlonglong(rssEnd));

    QCOMPARE(malformedBytes, 0);
    QVERIFY(commands > 0);
    QCOMPARE(brokenTicks, 0);
    QVERIFY(mostInATick <= Lamps);

    const int sliderValue = moved->value();
    for (int lamp = 0; lamp < Lamps; ++lamp) {
        QCOMPARE(sliders.at(lamp)->value(), sliderValue);
        QCOMPARE(int(window.findChild<PanelEngine *>()->desk().level(lamp)),
                 LampSlider::Maximum - sliderValue);
        QCOMPARE(lastLevel.at(lamp), LampSlider::Maximum - sliderValue);
    }

    QVERIFY(rssStart > 0 && rssEnd > 0);
    QVERIFY2(rssEnd - rssStart < MaxGrowthKb,
             qPrintable(QStringLiteral("grew by %1 kB").arg(rssEnd - rssStart)));
}

QTEST_MAIN(tst_Soak)
#include "tst_soak.moc"

// A recalled look's fade on the desk, stepped by the refresh tick on a clock the test
// sets, with what each tick puts on the line.
#include "lamps/commandport.h"
#include "lamps/deskmodel.h"
#include "lamps/lookfader.h"
#include "lamps/refreshcycle.h"

#include <QtTest>

namespace {

using Levels = LookFader::Levels;

const Levels LookA {200, 100};
const Levels LookB {0, 255};

class RecordingPort final : public CommandPort
{
public:
    QStringList sent;

    bool isOpen() const override { return true; }
    void write(const QByteArray &command) override
    {
        sent.append(QStringLiteral("%1=%2")
                        .arg(command.at(1))
                        .arg(QString::fromLatin1(command.mid(2, 2)).toInt(nullptr, 16)));
    }
};

} // namespace

class tst_LookFader : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fades_data();
    void fades();
};

void tst_LookFader::fades_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("ticks");

    // Words: A<ms>, B<ms> recall look A or B over ms; @<ms> the clock reads ms, the fade
    // steps and the tick sends; m<lamp>=<level> the operator's hand; k<lamp> links a lamp;
    // X1, X0 blackout on and off. Each tick gives "level0,level1/lamp=sent+...".
    QTest::newRow("start, middle, end") << "A1000 @0 @500 @1000 @1125"
                                        << "0,0/1=0 100,50/0=100+1=50 200,100/0=200+1=100 "
                                           "200,100/0=200";
    QTest::newRow("a quarter") << "A1000 @250"
                               << "50,25/0=50+1=25";
    QTest::newRow("a late tick ends it") << "A1000 @5000"
                                         << "200,100/0=200+1=100";
    QTest::newRow("short of the end, short of the look") << "A1000 @999"
                                                         << "199,99/0=199+1=99";
    QTest::newRow("fade of 0") << "A0 @0"
                               << "200,100/0=200+1=100";
    QTest::newRow("the hand takes a lamp out") << "A1000 @500 m0=10 @750 @1000"
                                               << "100,50/0=100+1=50 10,75/0=10+1=75 10,100/1=100";
    QTest::newRow("a linked follower leaves too") << "k0 k1 A1000 @500 m0=10 @1000"
                                                  << "100,50/0=100+1=50 10,10/0=10+1=10";
    QTest::newRow("linked lamps do not follow a recall") << "k0 k1 A1000 @1000"
                                                         << "200,100/0=200+1=100";
    QTest::newRow("a recall during a fade starts where the levels are")
        << "A1000 @500 B1000 @1000 @1500"
        << "100,50/0=100+1=50 50,152/0=50+1=152 0,255/0=0+1=255";
    QTest::newRow("blackout during a fade")
        << "A1000 @500 X1 @750 X0 @1000"
        << "100,50/0=100+1=50 150,75/0=0+1=0 200,100/0=200+1=100";
    QTest::newRow("blackout and back without a fade")
        << "A0 @0 X1 @125 @250 X0 @375"
        << "200,100/0=200+1=100 200,100/0=0+1=0 200,100/1=0 "
           "200,100/0=200+1=100";
}

void tst_LookFader::fades()
{
    QFETCH(QString, script);
    QFETCH(QString, ticks);

    std::chrono::milliseconds now {0};
    DeskModel desk;
    desk.setLampCount(2);
    RecordingPort port;
    RefreshCycle cycle(desk, port);
    LookFader fader(desk, [&now] { return std::chrono::nanoseconds(now); });

    QStringList seen;
    for (const QString &word : script.split(QLatin1Char(' '))) {
        const QChar verb = word.at(0);
        const QStringList numbers = word.mid(1).split(QLatin1Char('='));
        const int first = numbers.at(0).toInt();
        if (verb == QLatin1Char('A') || verb == QLatin1Char('B')) {
            fader.recall(verb == QLatin1Char('A') ? LookA : LookB,
                         std::chrono::milliseconds(first));
        } else if (verb == QLatin1Char('@')) {
            now = std::chrono::milliseconds(first);
            port.sent.clear();
            fader.step();
            cycle.tick();
            seen.append(QStringLiteral("%1,%2/").arg(desk.level(0)).arg(desk.level(1))
                        + port.sent.join(QLatin1Char('+')));
        } else if (verb == QLatin1Char('m')) {
            desk.moveLamp(first, numbers.at(1).toInt());
        } else if (verb == QLatin1Char('k')) {
            desk.setLinked(first, true);
        } else if (verb == QLatin1Char('X')) {
            desk.setBlackout(first == 1);
        }
    }
    QCOMPARE(seen.join(QLatin1Char(' ')), ticks);
}

QTEST_GUILESS_MAIN(tst_LookFader)
#include "tst_lookfader.moc"

// The real panel against settings files that are broken in every way a disk, an editor
// or a hand can break them. Each must start with the defaults for what it cannot read
// (8 lamps, port 1, the groups before the first bad entry), promptly, and keep every
// line of the file except the lamp count it writes back.

#include "filebytes.h"
#include "lampcommandreader.h"
#include "panel/panelwindow.h"
#include "panelprocess.h"
#include "pseudoterminal.h"
#include "serial/seriallink.h"
#include "settings/initext.h"
#include "settings/panelsettings.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <chrono>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds StartTimeout = 10s;
constexpr std::chrono::milliseconds PollInterval = 10ms;
constexpr std::chrono::milliseconds StillRunningAfter = 500ms;

constexpr int DefaultLamps = PanelSettings::DefaultLampCount;
// A full rotation and one more: lamps 1 to 7, 0, then 1 again.
constexpr int RotationCommands = DefaultLamps + 1;

constexpr qsizetype Kilobyte = 1024;
constexpr qsizetype Megabyte = Kilobyte * Kilobyte;
constexpr qsizetype GarbageSize = 256 * Kilobyte;
constexpr qsizetype HugeFileSize = 50 * Megabyte;
constexpr qsizetype LongLineSize = Megabyte;
constexpr quint32 GarbageSeed = 4711;
// Of a line that differs, this much is shown.
constexpr qsizetype ShownChars = 80;

// Where a case puts the pseudo-terminal's device.
const QByteArray DevicePlaceholder("@DEVICE@");
const QByteArray WrittenLampCount("LampCount=8");
const QByteArray SectionHeader("[Kelvaris]");

QByteArray garbage(qsizetype size, quint32 seed)
{
    QRandomGenerator random(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &byte : bytes)
        byte = char(random.bounded(256));
    // No section header of the panel's own may hide in it by chance.
    bytes.replace('[', '{');
    return bytes;
}

QByteArray hugeFile()
{
    QByteArray content;
    content.reserve(HugeFileSize + Kilobyte);
    const QByteArray filler(" lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do\n");
    for (int n = 0; content.size() < HugeFileSize; ++n)
        content += "; filler " + QByteArray::number(n).rightJustified(8, '0') + filler;
    // The section comes last, so every read goes through the whole file.
    content += "[Kelvaris]\nSerialDevice=@DEVICE@\nLampCount=17\nGroup1=Big\nCode1=1\nGroup2=\n"
               "Code2=2\n";
    return content;
}

QByteArray longLines()
{
    const QByteArray longComment = "; " + QByteArray(LongLineSize, 'c') + "\n";
    return longComment
        + "[Kelvaris]\nSerialDevice=@DEVICE@\nGroup1=" + QByteArray(LongLineSize, 'n')
        + "\nCode1=3\nGroup2=Next\nCode2=4\nLampCount=" + QByteArray(LongLineSize, '7')
        + "\nGroup3=Never\nCode3=" + QByteArray(LongLineSize, '9') + "\nGroup4=Lost\nCode4=1\n";
}

QByteArray nulBytes()
{
    const QByteArray nul(1, '\0');
    return nul + nul + "\n[Kelvaris]\nSerialDevice=@DEVICE@\nLampCount=" + nul + "12\nLamp" + nul
        + "Count=12\nSerialPort=" + nul + "3\nGroup1=Alpha\nCode1=3\nGroup2=" + nul
        + "Beta\nCode2=" + nul + "5\nGroup3=Gamma\nCode3=6\n" + nul + "\n";
}

// The file's lines, broken where a line break of any platform stands.
QList<QByteArrayView> linesOf(QByteArrayView content)
{
    QList<QByteArrayView> lines;
    qsizetype begin = 0;
    for (qsizetype i = 0; i < content.size(); ++i) {
        if (content[i] != '\r' && content[i] != '\n')
            continue;
        lines.append(content.sliced(begin, i - begin));
        if (content[i] == '\r' && i + 1 < content.size() && content[i + 1] == '\n')
            ++i;
        begin = i + 1;
    }
    if (begin < content.size())
        lines.append(content.sliced(begin));
    return lines;
}

bool isLampCountLine(QByteArrayView line)
{
    const qsizetype equals = line.indexOf('=');
    return equals >= 0
        && QLatin1String(line.first(equals).trimmed())
               .compare(QLatin1String("LampCount"), Qt::CaseInsensitive)
        == 0;
}

// Empty when after is before with the panel's lamp count written into it: one line
// "LampCount=8" added or put in place of one lamp count line, and a section header
// added when there was none. Otherwise what differs.
QString lampCountOnlyChange(QByteArrayView before, QByteArrayView after)
{
    const QList<QByteArrayView> old = linesOf(before);
    const QList<QByteArrayView> now = linesOf(after);
    const bool hadSection = std::any_of(old.begin(), old.end(), [](QByteArrayView line) {
        return line.trimmed().compare(SectionHeader, Qt::CaseInsensitive) == 0;
    });
    int written = 0;
    int headers = 0;
    int replaced = 0;
    qsizetype i = 0;
    qsizetype j = 0;
    while (j < now.size()) {
        if (i < old.size() && now.at(j) == old.at(i)) {
            ++i;
            ++j;
        } else if (now.at(j) == WrittenLampCount && written == 0) {
            ++written;
            ++j;
        } else if (now.at(j) == SectionHeader && !hadSection && headers == 0) {
            ++headers;
            ++j;
        } else if (i < old.size() && isLampCountLine(old.at(i)) && replaced == 0) {
            ++replaced;
            ++i;
        } else {
            return QStringLiteral("line %1 of the new file is not the old line %2: %3")
                .arg(j + 1)
                .arg(i + 1)
                .arg(QString::fromLatin1(
                    now.at(j).first(std::min<qsizetype>(now.at(j).size(), ShownChars))));
        }
    }
    if (i < old.size() && isLampCountLine(old.at(i)) && replaced == 0) {
        ++replaced;
        ++i;
    }
    if (i != old.size())
        return QStringLiteral("old lines from %1 on are gone").arg(i + 1);
    if (written != 1)
        return QStringLiteral("no line LampCount=8 written");
    return {};
}

} // namespace

class tst_BadSettings : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void lineComparisonSeesLostLines();
    void startsWithDefaults_data();
    void startsWithDefaults();
};

// The comparison the cases rely on, on changes the panel must never make.
void tst_BadSettings::lineComparisonSeesLostLines()
{
    const QByteArray before("; a\n[Kelvaris]\nLampCount=99\nGroup1=A\nCode1=3\n");
    QVERIFY(
        lampCountOnlyChange(before, "; a\n[Kelvaris]\nLampCount=8\nGroup1=A\nCode1=3\n").isEmpty());
    QVERIFY(lampCountOnlyChange("x", "x\n[Kelvaris]\nLampCount=8\n").isEmpty());
    QVERIFY(!lampCountOnlyChange(before, before).isEmpty());
    QVERIFY(!lampCountOnlyChange(before, "; a\n[Kelvaris]\nLampCount=8\nGroup1=A\n").isEmpty());
    QVERIFY(!lampCountOnlyChange(before, "[Kelvaris]\nLampCount=8\nGroup1=A\nCode1=3\n").isEmpty());
    QVERIFY(!lampCountOnlyChange(before, "; a\n[Kelvaris]\nLampCount=8\nGroup1=B\nCode1=3\n")
                 .isEmpty());
    QVERIFY(!lampCountOnlyChange(before, "; a\n[Kelvaris]\nLampCount=8\nGroup1=A\nCode1=3\nX\n")
                 .isEmpty());
}

void tst_BadSettings::startsWithDefaults_data()
{
    QTest::addColumn<QByteArray>("content");
    // Whether the file can name the pseudo-terminal, so the rotation shows the lamp count.
    QTest::addColumn<bool>("onTheLine");
    QTest::addColumn<QStringList>("groups");

    const QByteArray section("[Kelvaris]\nSerialDevice=@DEVICE@\n");

    QTest::newRow("binary garbage before the section")
        << garbage(GarbageSize, GarbageSeed) + "\n" + section
            + "Group1=Front\nCode1=3\nGroup2=Back\nCode2=abc\nGroup3=Never\nCode3=5\n"
        << true << QStringList {QStringLiteral("Front")};
    QTest::newRow("binary garbage only")
        << garbage(GarbageSize, GarbageSeed + 1) << false << QStringList();
    QTest::newRow("50 MB file") << hugeFile() << true << QStringList {QStringLiteral("Big")};
    QTest::newRow("1 MB lines") << longLines() << true
                                << QStringList {QString(IniText::MaxValueLength, QLatin1Char('n')),
                                                QStringLiteral("Next")};
    QTest::newRow("NUL bytes") << nulBytes() << true << QStringList {QStringLiteral("Alpha")};
    QTest::newRow("missing section")
        << QByteArray("; no section of ours\nLampCount=12\nSerialPort=3\nGroup1=A\nCode1=3\n"
                      "[Other]\nLampCount=5\nSerialDevice=@DEVICE@\nGroup1=B\nCode1=1\n")
        << false << QStringList();
    QTest::newRow("every key invalid")
        << QByteArray("[Kelvaris]\nLampCount=abc\nSerialPort=-4\n"
                      "SerialDevice=/dev/kelvaris-no-such-device\nGroup1=\nCode1=7\n"
                      "Group2=Ghost\nCode2=3\n")
        << false << QStringList();
    QTest::newRow("LampCount=70000")
        << section + "LampCount=70000\nSerialPort=70000\nGroup1=A\nCode1=3\n"
        << true << QStringList {QStringLiteral("A")};
    QTest::newRow("Code1=99999999999")
        << section + "Group1=Huge\nCode1=99999999999\nGroup2=After\nCode2=3\n"
        << true << QStringList();
    QTest::newRow("Code2=99999999999") << section
            + "Group1=Fine\nCode1=3\nGroup2=Huge\nCode2=99999999999\nGroup3=After\n"
              "Code3=5\n" << true << QStringList {QStringLiteral("Fine")};
}

void tst_BadSettings::startsWithDefaults()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, onTheLine);
    QFETCH(QStringList, groups);

    PseudoTerminal line;
    QVERIFY(line.isValid());
    content.replace(DevicePlaceholder, line.devicePath().toUtf8());

    // In the window: the lamp count, the port and the group list.
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString path = dir.filePath(QStringLiteral("Kelvaris.ini"));
        QVERIFY(FileBytes::write(path, content));
        PanelWindow window(path);
        QElapsedTimer loading;
        loading.start();
        window.load();
        qInfo("start-up in the window took %lld ms", qlonglong(loading.elapsed()));
        QCOMPARE(window.findChild<QComboBox *>(QStringLiteral("LampCountList"))->currentIndex() + 1,
                 DefaultLamps);
        QCOMPARE(window.findChild<PanelEngine *>()->desk().lampCount(), DefaultLamps);
        const PanelSettings read = PanelSettings::read(SettingsFile(path));
        QCOMPARE(read.serialPort, PanelSettings::DefaultSerialPort);
        if (!onTheLine && read.serialDevice.isEmpty())
            QCOMPARE(window.findChild<PanelEngine *>()->serialLink().device(),
                     SerialLink::deviceForPort(PanelSettings::DefaultSerialPort));
        auto *list = window.findChild<QListWidget *>(QStringLiteral("GroupList"));
        QStringList shown;
        for (int row = 0; row < list->count(); ++row)
            shown.append(list->item(row)->text());
        shown.sort();
        groups.sort();
        QCOMPARE(shown, groups);
    }

    // The real executable.
    PanelProcess panel;
    QVERIFY(panel.prepare(content));
    QElapsedTimer clock;
    clock.start();
    QVERIFY(panel.start());

    if (onTheLine) {
        // The rotation of the default count: lamps 1 to 7, then 0, all at level 0.
        LampCommandReader reader(line);
        const std::chrono::milliseconds readFrom(clock.elapsed());
        const QList<LampCommandReader::Command> commands
            = reader.receive(RotationCommands, StartTimeout - readFrom);
        QVERIFY2(!commands.isEmpty(), "no lamp command within the start timeout");
        qInfo("first lamp command after %lld ms",
              qlonglong(commands.first().atNs / 1'000'000 - clock.msecsSinceReference()));
        QCOMPARE(commands.size(), RotationCommands);
        for (int k = 0; k < commands.size(); ++k) {
            QCOMPARE(commands.at(k).lamp, (k + 1) % DefaultLamps);
            QCOMPARE(commands.at(k).level, 0);
        }
        QCOMPARE(reader.malformedBytes(), 0);
    } else {
        // Nothing to listen to: the lamp count it writes back tells what it chose.
        qint64 rewrittenAt = -1;
        while (clock.elapsed() < StartTimeout.count()) {
            if (linesOf(panel.settings()).contains(WrittenLampCount)) {
                rewrittenAt = clock.elapsed();
                break;
            }
            QTest::qWait(int(PollInterval.count()));
        }
        QVERIFY2(rewrittenAt >= 0, "LampCount=8 not written within the start timeout");
        qInfo("LampCount=8 written after %lld ms", qlonglong(rewrittenAt));
        QTest::qWait(int(StillRunningAfter.count()));
    }
    QVERIFY(panel.isRunning());
    QVERIFY(panel.terminate());
    QCOMPARE(panel.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(panel.process().exitCode(), 0);

    const QString change = lampCountOnlyChange(content, panel.settings());
    QVERIFY2(change.isEmpty(), qPrintable(change));
}

QTEST_MAIN(tst_BadSettings)
#include "tst_badsettings.moc"

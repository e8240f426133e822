#include "fakegroupcontrols.h"
#include "fakegrouplist.h"
#include "filebytes.h"
#include "groups/lampgroups.h"
#include "settings/settingsfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <memory>

namespace {

constexpr int Lamps = LampCommand::MaxLamps;
const QChar Cr = QLatin1Char('\r');
const QString Prompt = QStringLiteral("input:Enter name of the lamp group you want to define:") + Cr
    + QStringLiteral("(must be at least 1 character)");

using Lines = QList<QByteArray>;

QString question(const QString &name)
{
    return QStringLiteral("question:Are you sure you want to remove") + Cr
        + QStringLiteral("the lamp group '") + name + QStringLiteral("'?");
}

struct Panel
{
    explicit Panel(const QString &path) : settings(path), groups(list, controls, controls, settings)
    { }

    FakeGroupList list;
    FakeGroupControls controls;
    SettingsFile settings;
    LampGroups groups;

    // Define Group with the given lamps checked and the given text typed.
    void define(const QList<int> &lamps, const QString &name)
    {
        controls.boxes.fill(0);
        for (const int lamp : lamps)
            controls.boxes.at(lamp) = 1;
        controls.textAnswers << name;
        groups.defineGroupClicked();
    }
    // Remove Group on the entry at index, the question answered as given.
    void remove(int index, bool yes)
    {
        list.select(index);
        controls.yesNoAnswers << yes;
        groups.removeGroupClicked();
    }
};

} // namespace

class tst_LampGroups : public QObject
{
    Q_OBJECT

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("Kelvaris.ini")); }
    QByteArray rawFile() const { return FileBytes::read(iniPath()); }
    // The file's lines without their line ends.
    Lines rawLines() const
    {
        Lines lines = rawFile().split('\n');
        for (QByteArray &line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
        }
        lines.removeAll(QByteArray());
        return lines;
    }
    // The group entries as the file holds them, in file order.
    Lines groupLines() const
    {
        Lines lines = rawLines();
        lines.erase(std::remove_if(lines.begin(), lines.end(),
                                   [](const QByteArray &line) {
                                       return !line.startsWith("Group") && !line.startsWith("Code");
                                   }),
                    lines.end());
        return lines;
    }
    void writeSection(const QByteArray &entries)
    {
        QVERIFY(FileBytes::write(iniPath(), "[Kelvaris]\n" + entries));
    }

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // --- Define Group ---

    void defineStoresCodeOfCheckedLamps_data()
    {
        QTest::addColumn<QList<int>>("values"); // the sixteen check box values
        QTest::addColumn<qint32>("code");

        auto boxes = [](std::initializer_list<std::pair<int, int>> set) {
            QList<int> values(Lamps, 0);
            for (const auto &[lamp, value] : set)
                values[lamp] = value;
            return values;
        };
        QTest::newRow("lamps 0 and 2") << boxes({{0, 1}, {2, 1}}) << 5;
        QTest::newRow("lamp 15 alone") << boxes({{15, 1}}) << 32768;
        QTest::newRow("all sixteen") << QList<int>(Lamps, 1) << 65535;
        QTest::newRow("hidden lamp 10 still checked") << boxes({{1, 1}, {3, 1}, {10, 1}}) << 1034;
        QTest::newRow("value 2 is not checked") << boxes({{0, 1}, {1, 2}}) << 1;
        QTest::newRow("value -1 is not checked") << boxes({{4, -1}, {5, 1}}) << 32;
    }
    void defineStoresCodeOfCheckedLamps()
    {
        QFETCH(QList<int>, values);
        QFETCH(qint32, code);

        Panel panel(iniPath());
        std::copy(values.begin(), values.end(), panel.controls.boxes.begin());
        panel.controls.textAnswers << QStringLiteral("Stage");
        panel.groups.defineGroupClicked();

        QCOMPARE(panel.controls.shown, QStringList {Prompt});
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("Stage")});
        QCOMPARE(panel.list.codes(), QList<qint32> {code});
        QCOMPARE(
            groupLines(),
            (Lines {"Group1=Stage", "Code1=" + QByteArray::number(code), "Group2=", "Code2="}));
        // The boxes, the selection and the buttons are left as they were.
        QCOMPARE(QList<int>(panel.controls.boxes.begin(), panel.controls.boxes.end()), values);
        QCOMPARE(panel.list.selectedIndex(), -1);
        QVERIFY(panel.controls.buttonLog.isEmpty());
    }

    void defineWithoutLampOrNameChangesNothing_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");

        const QString noLamp = QStringLiteral("information:")
            + QStringLiteral("Lamp groups must contain at least one selected lamp.") + Cr
            + QStringLiteral("Use Deselect All if you want to deselect all lamps.");
        QList<int> odd(Lamps, 2);
        odd[3] = -1;
        odd[15] = 255;
        QList<int> lamp0(Lamps, 0);
        lamp0[0] = 1;
        QTest::newRow("nothing checked") << QList<int>(Lamps, 0) << "never asked" << noLamp;
        QTest::newRow("only values other than 1") << odd << "never asked" << noLamp;
        QTest::newRow("nothing typed or Cancel") << lamp0 << QString() << Prompt;
        QTest::newRow("line feed first") << lamp0 << "\nStage" << Prompt;
        QTest::newRow("carriage return first") << lamp0 << "\r\nStage" << Prompt;
    }
    void defineWithoutLampOrNameChangesNothing()
    {
        QFETCH(QList<int>, values);
        QFETCH(QString, typed);
        QFETCH(QString, shown);

        writeSection("LampCount=8\n");
        const QByteArray before = rawFile();
        Panel panel(iniPath());
        std::copy(values.begin(), values.end(), panel.controls.boxes.begin());
        panel.controls.textAnswers << typed;
        panel.groups.defineGroupClicked();

        QCOMPARE(panel.controls.shown, QStringList {shown});
        QCOMPARE(panel.list.count(), 0);
        QCOMPARE(rawFile(), before);
    }

    // The code goes to the entry the list placed the name at, not the last one, and
    // the whole run is rewritten in list order with an empty end entry.
    void groupsAreSavedInListOrder_data()
    {
        QTest::addColumn<QStringList>("defined"); // the k-th with lamp k alone
        QTest::addColumn<QList<qint32>>("codes");
        QTest::addColumn<Lines>("lines");

        QTest::newRow("Zeta then Alpha")
            << QStringList {QStringLiteral("Zeta"), QStringLiteral("Alpha")} << QList<qint32> {2, 1}
            << Lines {"Group1=Alpha", "Code1=2", "Group2=Zeta", "Code2=1", "Group3=", "Code3="};
        QTest::newRow("two groups may share a name")
            << QStringList {QStringLiteral("Same"), QStringLiteral("Same")} << QList<qint32> {1, 2}
            << Lines {"Group1=Same", "Code1=1", "Group2=Same", "Code2=2", "Group3=", "Code3="};
    }
    void groupsAreSavedInListOrder()
    {
        QFETCH(QStringList, defined);
        QFETCH(QList<qint32>, codes);
        QFETCH(Lines, lines);

        Panel panel(iniPath());
        for (int k = 0; k < defined.size(); ++k)
            panel.define({k}, defined.at(k));
        QCOMPARE(panel.list.codes(), codes);
        QCOMPARE(groupLines(), lines);
    }

    // --- Remove Group ---

    void removingTheMiddleGroupRenumbers()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("A"));
        panel.define({1}, QStringLiteral("B"));
        panel.define({2}, QStringLiteral("C"));
        panel.list.select(1);
        panel.groups.groupSelectionChanged();
        panel.controls.buttonLog.clear();
        panel.controls.shown.clear();
        panel.remove(1, true);

        QCOMPARE(panel.controls.shown, QStringList {question(QStringLiteral("B"))});
        QCOMPARE(panel.list.names(), (QStringList {QStringLiteral("A"), QStringLiteral("C")}));
        // The end entry of the longer run before stays behind, empty.
        QCOMPARE(groupLines(),
                 (Lines {"Group1=A", "Code1=1", "Group2=C", "Code2=4",
                         "Group3=", "Code3=", "Group4=", "Code4="}));
        // The buttons keep their state although nothing is selected any more.
        QVERIFY(panel.controls.buttonLog.isEmpty());
        QCOMPARE(panel.list.selectedIndex(), -1);

        // With no selection both buttons do nothing.
        panel.controls.boxes.fill(1);
        panel.controls.yesNoAnswers << true;
        panel.groups.removeGroupClicked();
        panel.groups.selectGroupClicked();
        panel.groups.groupDoubleClicked();
        QCOMPARE(panel.controls.shown.size(), 1);
        QCOMPARE(panel.list.count(), 2);
        QCOMPARE(panel.controls.checkboxWrites, 0);
    }

    void removingTheOnlyGroupDisablesTheButtons()
    {
        Panel panel(iniPath());
        panel.define({0, 1}, QStringLiteral("Only"));
        panel.list.select(0);
        panel.groups.groupSelectionChanged();
        panel.controls.buttonLog.clear();
        panel.remove(0, true);

        QCOMPARE(panel.list.count(), 0);
        QCOMPARE(panel.controls.buttonLog,
                 (QStringList {QStringLiteral("Remove=0"), QStringLiteral("Select=0")}));
        QCOMPARE(groupLines(), (Lines {"Group1=", "Code1=", "Group2=", "Code2="}));
        // The removed group's lamps stay checked.
        QCOMPARE(panel.controls.checkedLamps(), (QList<int> {0, 1}));
    }

    void removalAnsweredNoChangesNothing()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("Keep"));
        const QByteArray before = rawFile();
        panel.remove(0, false);

        QCOMPARE(panel.controls.shown.last(), question(QStringLiteral("Keep")));
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("Keep")});
        QCOMPARE(rawFile(), before);
        QVERIFY(panel.controls.buttonLog.isEmpty());
    }

    // --- Select Group, double-click and Deselect All ---

    void selectChecksExactlyTheGroupsLamps_data()
    {
        QTest::addColumn<qint32>("code");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QList<int>>("checked");

        QList<int> all;
        for (int lamp = 0; lamp < Lamps; ++lamp)
            all << lamp;
        QTest::newRow("code 5, button") << 5 << false << QList<int> {0, 2};
        QTest::newRow("code 5, double-click") << 5 << true << QList<int> {0, 2};
        QTest::newRow("lamp 15") << 32768 << false << QList<int> {15};
        QTest::newRow("all sixteen") << 65535 << true << all;
        QTest::newRow("bit 16 selects nothing") << 65536 << false << QList<int> {};
        QTest::newRow("bits 30 and 0") << qint32(0x40000001) << false << QList<int> {0};
        QTest::newRow("largest code") << qint32(0x7fffffff) << true << all;
    }
    void selectChecksExactlyTheGroupsLamps()
    {
        QFETCH(qint32, code);
        QFETCH(bool, doubleClick);
        QFETCH(QList<int>, checked);

        writeSection("Group1=G\nCode1=" + QByteArray::number(code) + "\n");
        const QByteArray before = rawFile();
        Panel panel(iniPath());
        panel.groups.loadGroups();
        QCOMPARE(panel.list.codes(), QList<qint32> {code});

        // Lamps 1 and 7 checked before, lamp 9 with a value that is not 1.
        panel.controls.boxes[1] = 1;
        panel.controls.boxes[7] = 1;
        panel.controls.boxes[9] = 2;
        panel.list.select(0);
        if (doubleClick)
            panel.groups.groupDoubleClicked();
        else
            panel.groups.selectGroupClicked();

        QCOMPARE(panel.controls.checkedLamps(), checked);
        for (int value : panel.controls.boxes)
            QVERIFY(value == 0 || value == 1);
        QVERIFY(panel.controls.shown.isEmpty());
        QCOMPARE(rawFile(), before);
        QCOMPARE(panel.list.count(), 1);
    }

    void deselectAllReachesHiddenLamps()
    {
        writeSection("Group1=G\nCode1=7\n");
        const QByteArray before = rawFile();
        Panel panel(iniPath());
        panel.groups.loadGroups();
        panel.controls.boxes.fill(1);
        panel.controls.boxes[12] = 2;
        panel.list.select(0);
        panel.groups.deselectAllClicked();

        QCOMPARE(panel.controls.boxes, (std::array<int, Lamps> {}));
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("G")});
        QCOMPARE(panel.list.selectedIndex(), 0);
        QVERIFY(panel.controls.shown.isEmpty());
        QVERIFY(panel.controls.buttonLog.isEmpty());
        QCOMPARE(rawFile(), before);
    }

    void listClickFollowsTheSelection_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("log");
        const QStringList on {QStringLiteral("Remove=1"), QStringLiteral("Select=1")};
        QTest::newRow("entry selected") << 1 << on;
        QTest::newRow("first entry selected") << 0 << on;
        QTest::newRow("nothing selected")
            << -1 << QStringList {QStringLiteral("Remove=0"), QStringLiteral("Select=0")};
    }
    void listClickFollowsTheSelection()
    {
        QFETCH(int, selected);
        QFETCH(QStringList, log);

        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("A"));
        panel.define({1}, QStringLiteral("B"));
        panel.list.select(selected);
        panel.groups.groupSelectionChanged();
        QCOMPARE(panel.controls.buttonLog, log);
    }

    // --- Loading ---

    void loadingStopsAtTheFirstInvalidEntry_data()
    {
        QTest::addColumn<QByteArray>("entries"); // null: no file
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<qint32>>("codes");

        const QStringList none;
        const QList<qint32> noCodes;
        QTest::newRow("no file") << QByteArray() << none << noCodes;
        QTest::newRow("code 0 ends the run")
            << QByteArray("Group1=A\nCode1=3\nGroup2=B\nCode2=0\nGroup3=C\nCode3=4\n")
            << QStringList {QStringLiteral("A")} << QList<qint32> {3};
        QTest::newRow("Group1 missing")
            << QByteArray("Code1=3\nGroup2=B\nCode2=4\n") << none << noCodes;
        QTest::newRow("Group1 empty")
            << QByteArray("Group1=\nCode1=3\nGroup2=B\nCode2=4\n") << none << noCodes;
        QTest::newRow("empty name after two groups")
            << QByteArray("Group1=A\nCode1=1\nGroup2=B\nCode2=2\nGroup3=\nCode3=4\nGroup4=D\n"
                          "Code4=8\n")
            << QStringList {QStringLiteral("A"), QStringLiteral("B")} << QList<qint32> {1, 2};
        QTest::newRow("code missing") << QByteArray("Group1=A\n") << none << noCodes;
        QTest::newRow("code without a number")
            << QByteArray("Group1=A\nCode1=abc\n") << none << noCodes;
        QTest::newRow("negative code") << QByteArray("Group1=A\nCode1=-5\n") << none << noCodes;
        QTest::newRow("code beyond 32 bits")
            << QByteArray("Group1=A\nCode1=2147483648\n") << none << noCodes;
        QTest::newRow("code 4294967297 beyond 32 bits")
            << QByteArray("Group1=A\nCode1=4294967297\n") << none << noCodes;
        QTest::newRow("high bits kept")
            << QByteArray("Group1=A\nCode1=65536\nGroup2=B\nCode2=2147483647\n")
            << QStringList {QStringLiteral("A"), QStringLiteral("B")}
            << QList<qint32> {65536, 2147483647};
        QTest::newRow("code with a trailing text and a fraction")
            << QByteArray("Group1=A\nCode1=12abc\nGroup2=B\nCode2=2.5\n")
            << QStringList {QStringLiteral("A"), QStringLiteral("B")} << QList<qint32> {12, 2};
        QTest::newRow("loaded into sorted places")
            << QByteArray("Group1=zeta\nCode1=1\nGroup2=Alpha\nCode2=2\n")
            << QStringList {QStringLiteral("Alpha"), QStringLiteral("zeta")}
            << QList<qint32> {2, 1};
    }
    void loadingStopsAtTheFirstInvalidEntry()
    {
        QFETCH(QByteArray, entries);
        QFETCH(QStringList, names);
        QFETCH(QList<qint32>, codes);

        if (!entries.isNull())
            writeSection(entries);
        const QByteArray before = rawFile();

        Panel panel(iniPath());
        panel.groups.loadGroups();

        QCOMPARE(panel.list.names(), names);
        QCOMPARE(panel.list.codes(), codes);
        // Loading writes nothing, selects nothing and leaves the buttons alone.
        QCOMPARE(rawFile(), before);
        QCOMPARE(QFile::exists(iniPath()), !entries.isNull());
        QCOMPARE(panel.list.selectedIndex(), -1);
        QVERIFY(panel.controls.buttonLog.isEmpty());
        QVERIFY(panel.controls.shown.isEmpty());
    }

    void saveAfterStoppedLoadingLeavesLaterEntriesUnread()
    {
        writeSection("Group1=A\nCode1=3\nGroup2=B\nCode2=0\nGroup3=C\nCode3=4\n");
        Panel panel(iniPath());
        panel.groups.loadGroups();
        panel.groups.saveGroups();
        QCOMPARE(groupLines(),
                 (Lines {"Group1=A", "Code1=3", "Group2=", "Code2=", "Group3=C", "Code3=4"}));
    }

    void code65536RoundTrip()
    {
        writeSection("Group1=High\nCode1=65536\n");
        Panel panel(iniPath());
        panel.groups.loadGroups();
        panel.controls.boxes.fill(1);
        panel.list.select(0);
        panel.groups.selectGroupClicked();
        QCOMPARE(panel.controls.checkedLamps(), QList<int> {});

        // A new group goes before it; the rewrite carries 65536 along unchanged.
        panel.define({3}, QStringLiteral("Back"));
        QCOMPARE(
            groupLines(),
            (Lines {"Group1=Back", "Code1=8", "Group2=High", "Code2=65536", "Group3=", "Code3="}));
    }

    // --- Names across a restart ---

    void namesSurviveARestart_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");

        const auto same = [](const char *name, const QString &text) {
            QTest::newRow(name) << text << text;
        };
        same("plain", QStringLiteral("Back row"));
        same("blanks only", QStringLiteral("   "));
        same("one blank", QStringLiteral(" "));
        same("leading blanks", QStringLiteral("  Stage"));
        same("trailing blanks", QStringLiteral("Stage  "));
        same("blanks at both ends", QStringLiteral(" Stage "));
        same("quoted", QStringLiteral("\"Front\""));
        same("brackets, equals and semicolon", QStringLiteral("[Kelvaris]=x;y"));
        same("beyond ASCII", QStringLiteral("B\u00fchne \u821e\u53f0"));
        QTest::newRow("pasted line feed")
            << QStringLiteral("Stage\nGroup2=Injected") << QStringLiteral("Stage");
        QTest::newRow("pasted carriage return and section")
            << QStringLiteral("Stage\r\n[Other]\r\nCode1=9") << QStringLiteral("Stage");
        QTest::newRow("lone carriage return") << QStringLiteral("Sta\rge") << QStringLiteral("Sta");
        QTest::newRow("blanks before a line break")
            << QStringLiteral(" Stage \nx") << QStringLiteral(" Stage ");
    }
    void namesSurviveARestart()
    {
        QFETCH(QString, typed);
        QFETCH(QString, name);

        {
            Panel before(iniPath());
            before.define({0, 5}, typed);
            QCOMPARE(before.list.names(), QStringList {name});
        }

        // The file holds one section and the one group with its end entry, nothing pasted.
        const Lines lines = rawLines();
        QCOMPARE(lines.size(), 5);
        QCOMPARE(std::count_if(lines.begin(), lines.end(),
                               [](const QByteArray &line) { return line.startsWith('['); }),
                 1);
        QVERIFY(!rawFile().contains("Injected"));
        QVERIFY(!rawFile().contains("Other"));

        Panel after(iniPath());
        after.groups.loadGroups();
        QCOMPARE(after.list.names(), QStringList {name});
        QCOMPARE(after.list.codes(), QList<qint32> {33});
    }

    void unicodeFileKeepsItsEncodingAndNames_data()
    {
        QTest::addColumn<QStringConverter::Encoding>("order");
        QTest::addColumn<QByteArray>("bom");

        QTest::newRow("UTF-16LE") << QStringConverter::Utf16LE << QByteArray("\xFF\xFE");
        QTest::newRow("UTF-16BE") << QStringConverter::Utf16BE << QByteArray("\xFE\xFF");
    }
    void unicodeFileKeepsItsEncodingAndNames()
    {
        QFETCH(QStringConverter::Encoding, order);
        QFETCH(QByteArray, bom);

        // As a Windows editor saves it as "Unicode".
        QStringEncoder encoder(order, QStringEncoder::Flag::WriteBom);
        QVERIFY(FileBytes::write(iniPath(),
                                 encoder.encode(QStringLiteral(
                                     "[Kelvaris]\r\nLampCount=5\r\nGroup1=Front\r\nCode1=3\r\n"))));

        const QString stage = QStringLiteral("\u03a3\u03ba\u03b7\u03bd\u03ae \u821e\u53f0");
        {
            Panel before(iniPath());
            before.groups.loadGroups();
            QCOMPARE(before.list.names(), QStringList {QStringLiteral("Front")});
            QCOMPARE(before.list.codes(), QList<qint32> {3});
            before.define({1, 2}, stage);
        }

        // Still strictly UTF-16 in its byte order, CRLF throughout.
        const QByteArray raw = rawFile();
        QVERIFY(raw.startsWith(bom));
        QStringDecoder decoder(order, QStringDecoder::Flag::Stateless);
        const QString text = decoder.decode(raw.sliced(bom.size()));
        QVERIFY(!decoder.hasError());
        QCOMPARE(text,
                 QStringLiteral("[Kelvaris]\r\nLampCount=5\r\nGroup1=Front\r\nCode1=3\r\nGroup2=")
                     + stage + QStringLiteral("\r\nCode2=6\r\nGroup3=\r\nCode3=\r\n"));

        Panel after(iniPath());
        after.groups.loadGroups();
        QCOMPARE(after.list.names(), (QStringList {QStringLiteral("Front"), stage}));
        QCOMPARE(after.list.codes(), (QList<qint32> {3, 6}));
    }

    void failedSaveIsSilentAndListKeepsTheChange()
    {
        // A directory where the file should be: every write fails.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Kelvaris.ini")));
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("A"));
        panel.define({1}, QStringLiteral("B"));
        QCOMPARE(panel.list.names(), (QStringList {QStringLiteral("A"), QStringLiteral("B")}));
        QCOMPARE(panel.controls.shown, (QStringList {Prompt, Prompt}));

        panel.remove(0, true);
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("B")});
        QCOMPARE(panel.controls.shown.size(), 3);
        QVERIFY(QFileInfo(iniPath()).isDir());
    }
};

QTEST_GUILESS_MAIN(tst_LampGroups)
#include "tst_lampgroups.moc"

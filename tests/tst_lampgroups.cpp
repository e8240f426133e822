#include "fakegroupdialogs.h"
#include "filebytes.h"
#include "groups/lampgroups.h"
#include "lamps/deskmodel.h"
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
    explicit Panel(const QString &path) : settings(path), groups(desk, dialogs, settings) { }

    DeskModel desk;
    FakeGroupDialogs dialogs;
    SettingsFile settings;
    LampGroups groups;

    QStringList names() const
    {
        QStringList names;
        for (const auto &group : desk.groups())
            names << group.name;
        return names;
    }
    QList<qint32> codes() const
    {
        QList<qint32> codes;
        for (const auto &group : desk.groups())
            codes << group.code;
        return codes;
    }
    // Define Group with the given lamps linked and the given text typed.
    void define(const QList<int> &lamps, const QString &name)
    {
        qint32 code = 0;
        for (const int lamp : lamps)
            code |= qint32(1) << lamp;
        FakeGroupDialogs::linkCode(desk, code);
        dialogs.textAnswers << name;
        groups.defineGroup();
    }
    // Remove Group on the entry at index, the question answered as given.
    void remove(int index, bool yes)
    {
        dialogs.yesNoAnswers << yes;
        groups.removeGroup(index);
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

    void defineStoresCodeOfLinkedLamps_data()
    {
        QTest::addColumn<QList<int>>("linked");
        QTest::addColumn<qint32>("code");

        QList<int> all;
        for (int lamp = 0; lamp < Lamps; ++lamp)
            all << lamp;
        QTest::newRow("lamps 0 and 2") << QList<int> {0, 2} << 5;
        QTest::newRow("lamp 15 alone") << QList<int> {15} << 32768;
        QTest::newRow("all sixteen") << all << 65535;
        QTest::newRow("hidden lamp 10 still linked") << QList<int> {1, 3, 10} << 1034;
    }
    void defineStoresCodeOfLinkedLamps()
    {
        QFETCH(QList<int>, linked);
        QFETCH(qint32, code);

        Panel panel(iniPath());
        panel.define(linked, QStringLiteral("Stage"));

        QCOMPARE(panel.dialogs.shown, QStringList {Prompt});
        QCOMPARE(panel.names(), QStringList {QStringLiteral("Stage")});
        QCOMPARE(panel.codes(), QList<qint32> {code});
        QCOMPARE(
            groupLines(),
            (Lines {"Group1=Stage", "Code1=" + QByteArray::number(code), "Group2=", "Code2="}));
        // The links are left as they were.
        QCOMPARE(FakeGroupDialogs::linkedLamps(panel.desk), linked);
    }

    void defineWithoutLampOrNameChangesNothing_data()
    {
        QTest::addColumn<QList<int>>("linked");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown");

        const QString noLamp = QStringLiteral("information:")
            + QStringLiteral("Lamp groups must contain at least one selected lamp.") + Cr
            + QStringLiteral("Use Deselect All if you want to deselect all lamps.");
        QTest::newRow("nothing linked") << QList<int> {} << "never asked" << noLamp;
        QTest::newRow("nothing typed or Cancel") << QList<int> {0} << QString() << Prompt;
        QTest::newRow("line feed first") << QList<int> {0} << "\nStage" << Prompt;
        QTest::newRow("carriage return first") << QList<int> {0} << "\r\nStage" << Prompt;
    }
    void defineWithoutLampOrNameChangesNothing()
    {
        QFETCH(QList<int>, linked);
        QFETCH(QString, typed);
        QFETCH(QString, shown);

        writeSection("LampCount=8\n");
        const QByteArray before = rawFile();
        Panel panel(iniPath());
        panel.define(linked, typed);

        QCOMPARE(panel.dialogs.shown, QStringList {shown});
        QCOMPARE(panel.desk.groups().size(), 0);
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
        QCOMPARE(panel.codes(), codes);
        QCOMPARE(groupLines(), lines);
    }

    // --- Remove Group ---

    void removingTheMiddleGroupRenumbers()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("A"));
        panel.define({1}, QStringLiteral("B"));
        panel.define({2}, QStringLiteral("C"));
        panel.dialogs.shown.clear();
        panel.remove(1, true);

        QCOMPARE(panel.dialogs.shown, QStringList {question(QStringLiteral("B"))});
        QCOMPARE(panel.names(), (QStringList {QStringLiteral("A"), QStringLiteral("C")}));
        // The end entry of the longer run before stays behind, empty.
        QCOMPARE(groupLines(),
                 (Lines {"Group1=A", "Code1=1", "Group2=C", "Code2=4",
                         "Group3=", "Code3=", "Group4=", "Code4="}));

        // With no selection, Remove asks nothing and removes nothing.
        panel.remove(-1, true);
        QCOMPARE(panel.dialogs.shown.size(), 1);
        QCOMPARE(panel.desk.groups().size(), 2);
    }

    void removalAnsweredNoChangesNothing()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("Keep"));
        const QByteArray before = rawFile();
        panel.remove(0, false);

        QCOMPARE(panel.dialogs.shown.last(), question(QStringLiteral("Keep")));
        QCOMPARE(panel.names(), QStringList {QStringLiteral("Keep")});
        QCOMPARE(rawFile(), before);
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

        QCOMPARE(panel.names(), names);
        QCOMPARE(panel.codes(), codes);
        // Loading writes nothing and asks nothing.
        QCOMPARE(rawFile(), before);
        QCOMPARE(QFile::exists(iniPath()), !entries.isNull());
        QVERIFY(panel.dialogs.shown.isEmpty());
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
        FakeGroupDialogs::linkCode(panel.desk, 0xffff);
        panel.desk.selectGroup(0);
        QCOMPARE(FakeGroupDialogs::linkedLamps(panel.desk), QList<int> {});

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
            QCOMPARE(before.names(), QStringList {name});
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
        QCOMPARE(after.names(), QStringList {name});
        QCOMPARE(after.codes(), QList<qint32> {33});
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
            QCOMPARE(before.names(), QStringList {QStringLiteral("Front")});
            QCOMPARE(before.codes(), QList<qint32> {3});
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
        QCOMPARE(after.names(), (QStringList {QStringLiteral("Front"), stage}));
        QCOMPARE(after.codes(), (QList<qint32> {3, 6}));
    }

    void failedSaveIsSilentAndListKeepsTheChange()
    {
        // A directory where the file should be: every write fails.
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Kelvaris.ini")));
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("A"));
        panel.define({1}, QStringLiteral("B"));
        QCOMPARE(panel.names(), (QStringList {QStringLiteral("A"), QStringLiteral("B")}));
        QCOMPARE(panel.dialogs.shown, (QStringList {Prompt, Prompt}));

        panel.remove(0, true);
        QCOMPARE(panel.names(), QStringList {QStringLiteral("B")});
        QCOMPARE(panel.dialogs.shown.size(), 3);
        QVERIFY(QFileInfo(iniPath()).isDir());
    }
};

QTEST_GUILESS_MAIN(tst_LampGroups)
#include "tst_lampgroups.moc"

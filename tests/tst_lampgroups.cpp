#include "groups/groupcontrols.h"
#include "groups/groupdialogs.h"
#include "groups/grouplist.h"
#include "groups/lampgroups.h"
#include "settings/settingsfile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <array>
#include <memory>
#include <vector>

namespace {

constexpr int Lamps = 16;
const QChar Cr = QLatin1Char('\r');

// A sorted list like the window's: case-insensitive, equal names after the existing ones.
class FakeList final : public GroupList
{
public:
    struct Entry
    {
        QString name;
        qint32 code = 0;
    };

    void clear() override
    {
        m_entries.clear();
        m_selected = -1;
    }
    int addEntry(const QString &name) override
    {
        const auto at = std::upper_bound(m_entries.begin(), m_entries.end(), name,
                                         [](const QString &n, const Entry &e) {
                                             return n.compare(e.name, Qt::CaseInsensitive) < 0;
                                         });
        const int index = int(at - m_entries.begin());
        m_entries.insert(at, Entry {name, 0});
        if (m_selected >= index)
            ++m_selected;
        return index;
    }
    void removeEntry(int index) override
    {
        m_entries.erase(m_entries.begin() + index);
        if (m_selected == index)
            m_selected = -1;
        else if (m_selected > index)
            --m_selected;
    }
    int count() const override { return int(m_entries.size()); }
    QString name(int index) const override { return m_entries.at(size_t(index)).name; }
    qint32 code(int index) const override { return m_entries.at(size_t(index)).code; }
    void setCode(int index, qint32 code) override { m_entries.at(size_t(index)).code = code; }
    int selectedIndex() const override { return m_selected; }

    void select(int index) { m_selected = index; }
    QStringList names() const
    {
        QStringList out;
        for (const Entry &e : m_entries)
            out << e.name;
        return out;
    }
    QList<qint32> codes() const
    {
        QList<qint32> out;
        for (const Entry &e : m_entries)
            out << e.code;
        return out;
    }

private:
    std::vector<Entry> m_entries;
    int m_selected = -1;
};

class FakeControls final : public GroupControls
{
public:
    int checkboxValue(int lamp) const override { return m_values.at(size_t(lamp)); }
    void setCheckboxValue(int lamp, int value) override
    {
        m_values.at(size_t(lamp)) = value;
        ++m_checkboxWrites;
    }
    void setRemoveGroupEnabled(bool enabled) override
    {
        m_buttonLog << QStringLiteral("Remove=%1").arg(enabled);
    }
    void setSelectGroupEnabled(bool enabled) override
    {
        m_buttonLog << QStringLiteral("Select=%1").arg(enabled);
    }

    void check(const QList<int> &lamps)
    {
        for (int lamp : lamps)
            m_values.at(size_t(lamp)) = 1;
    }
    QList<int> checkedLamps() const
    {
        QList<int> out;
        for (int lamp = 0; lamp < Lamps; ++lamp) {
            if (m_values.at(size_t(lamp)) == 1)
                out << lamp;
        }
        return out;
    }

    std::array<int, Lamps> m_values {};
    int m_checkboxWrites = 0;
    QStringList m_buttonLog;
};

// Records every dialog with its exact text and answers from a script.
class FakeDialogs final : public GroupDialogs
{
public:
    void information(const QString &text) override
    {
        m_shown << QStringLiteral("information:") + text;
    }
    bool askYesNo(const QString &text) override
    {
        m_shown << QStringLiteral("question:") + text;
        return !m_yesNoAnswers.isEmpty() && m_yesNoAnswers.takeFirst();
    }
    QString askText(const QString &prompt) override
    {
        m_shown << QStringLiteral("input:") + prompt;
        return m_textAnswers.isEmpty() ? QString() : m_textAnswers.takeFirst();
    }

    QStringList m_shown;
    QList<bool> m_yesNoAnswers;
    QStringList m_textAnswers;
};

const QString ExpectedPrompt
    = QStringLiteral("input:Enter name of the lamp group you want to define:") + Cr
    + QStringLiteral("(must be at least 1 character)");

struct Panel
{
    explicit Panel(const QString &path) : settings(path), groups(list, controls, dialogs, settings)
    { }

    FakeList list;
    FakeControls controls;
    FakeDialogs dialogs;
    SettingsFile settings;
    LampGroups groups;

    // Define Group with the given lamps checked and the given text typed.
    void define(const QList<int> &lamps, const QString &name)
    {
        controls.m_values.fill(0);
        controls.check(lamps);
        dialogs.m_textAnswers << name;
        groups.defineGroupClicked();
    }
};

} // namespace

class tst_LampGroups : public QObject
{
    Q_OBJECT

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("Kelvaris.ini")); }
    QString stored(const QString &key) const { return SettingsFile(iniPath()).readSetting(key); }
    void store(const QString &key, const QString &value)
    {
        SettingsFile(iniPath()).writeSetting(key, value);
    }
    QByteArray rawFile() const
    {
        QFile file(iniPath());
        if (!file.open(QIODevice::ReadOnly))
            return {};
        return file.readAll();
    }
    // The file's lines without their line ends.
    QList<QByteArray> rawLines() const
    {
        QList<QByteArray> lines = rawFile().split('\n');
        for (QByteArray &line : lines) {
            if (line.endsWith('\r'))
                line.chop(1);
        }
        lines.removeAll(QByteArray());
        return lines;
    }
    // True when the key is written in the file, whatever its value.
    bool keyInFile(const QString &key) const
    {
        const QByteArray prefix = key.toLatin1().toLower() + '=';
        const QList<QByteArray> lines = rawLines();
        return std::any_of(lines.begin(), lines.end(), [&](const QByteArray &line) {
            return line.toLower().startsWith(prefix);
        });
    }

    std::unique_ptr<QTemporaryDir> m_dir;

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // --- Define Group: the code from the check boxes ---

    void defineStoresCodeOfCheckedLamps_data()
    {
        QTest::addColumn<QList<int>>("values"); // the sixteen check box values
        QTest::addColumn<qint32>("code");
        QTest::addColumn<QString>("codeText");

        auto boxes = [](std::initializer_list<std::pair<int, int>> set) {
            QList<int> values(Lamps, 0);
            for (const auto &[lamp, value] : set)
                values[lamp] = value;
            return values;
        };
        QTest::newRow("lamps 0 and 2") << boxes({{0, 1}, {2, 1}}) << 5 << QStringLiteral("5");
        QTest::newRow("lamp 15 alone") << boxes({{15, 1}}) << 32768 << QStringLiteral("32768");
        QTest::newRow("all sixteen") << QList<int>(Lamps, 1) << 65535 << QStringLiteral("65535");
        QTest::newRow("hidden lamp 10 still checked")
            << boxes({{1, 1}, {3, 1}, {10, 1}}) << 1034 << QStringLiteral("1034");
        QTest::newRow("value 2 is not checked")
            << boxes({{0, 1}, {1, 2}}) << 1 << QStringLiteral("1");
        QTest::newRow("value -1 is not checked")
            << boxes({{4, -1}, {5, 1}}) << 32 << QStringLiteral("32");
    }
    void defineStoresCodeOfCheckedLamps()
    {
        QFETCH(QList<int>, values);
        QFETCH(qint32, code);
        QFETCH(QString, codeText);

        Panel panel(iniPath());
        std::copy(values.begin(), values.end(), panel.controls.m_values.begin());
        panel.dialogs.m_textAnswers << QStringLiteral("Stage");
        panel.groups.defineGroupClicked();

        QCOMPARE(panel.dialogs.m_shown, QStringList {ExpectedPrompt});
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("Stage")});
        QCOMPARE(panel.list.codes(), QList<qint32> {code});
        QCOMPARE(stored(QStringLiteral("Group1")), QStringLiteral("Stage"));
        QCOMPARE(stored(QStringLiteral("Code1")), codeText);
        QVERIFY(keyInFile(QStringLiteral("Group2")));
        QVERIFY(keyInFile(QStringLiteral("Code2")));
        QCOMPARE(stored(QStringLiteral("Group2")), QString());
        QCOMPARE(stored(QStringLiteral("Code2")), QString());
        // The boxes, the selection and the buttons are left as they were.
        QCOMPARE(QList<int>(panel.controls.m_values.begin(), panel.controls.m_values.end()),
                 values);
        QCOMPARE(panel.list.selectedIndex(), -1);
        QVERIFY(panel.controls.m_buttonLog.isEmpty());
    }

    void defineWithoutCheckedLampShowsMessageOnly_data()
    {
        QTest::addColumn<QList<int>>("values");
        QTest::newRow("nothing checked") << QList<int>(Lamps, 0);
        QList<int> odd(Lamps, 2);
        odd[3] = -1;
        odd[15] = 255;
        QTest::newRow("only values other than 1") << odd;
    }
    void defineWithoutCheckedLampShowsMessageOnly()
    {
        QFETCH(QList<int>, values);

        store(QStringLiteral("LampCount"), QStringLiteral("8"));
        const QByteArray before = rawFile();
        Panel panel(iniPath());
        std::copy(values.begin(), values.end(), panel.controls.m_values.begin());
        panel.dialogs.m_textAnswers << QStringLiteral("never asked");
        panel.groups.defineGroupClicked();

        const QString message = QStringLiteral("information:")
            + QStringLiteral("Lamp groups must contain at least one selected lamp.") + Cr
            + QStringLiteral("Use Deselect All if you want to deselect all lamps.");
        QCOMPARE(panel.dialogs.m_shown, QStringList {message});
        QCOMPARE(panel.list.count(), 0);
        QCOMPARE(rawFile(), before);
    }

    void defineWithoutNameChangesNothing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("nothing typed or Cancel") << QString();
        QTest::newRow("line feed first") << QStringLiteral("\nStage");
        QTest::newRow("carriage return first") << QStringLiteral("\r\nStage");
    }
    void defineWithoutNameChangesNothing()
    {
        QFETCH(QString, typed);

        Panel panel(iniPath());
        panel.define({0}, typed);

        QCOMPARE(panel.dialogs.m_shown, QStringList {ExpectedPrompt});
        QCOMPARE(panel.list.count(), 0);
        QVERIFY(!QFile::exists(iniPath()));
    }

    // --- Sorted list and the renumbered run in the file ---

    void groupsAreSavedInListOrder()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("Zeta"));
        panel.define({1}, QStringLiteral("Alpha"));

        QCOMPARE(panel.list.names(),
                 (QStringList {QStringLiteral("Alpha"), QStringLiteral("Zeta")}));
        // The code went to the entry the list placed it at, not the last one.
        QCOMPARE(panel.list.codes(), (QList<qint32> {2, 1}));
        QCOMPARE(stored(QStringLiteral("Group1")), QStringLiteral("Alpha"));
        QCOMPARE(stored(QStringLiteral("Code1")), QStringLiteral("2"));
        QCOMPARE(stored(QStringLiteral("Group2")), QStringLiteral("Zeta"));
        QCOMPARE(stored(QStringLiteral("Code2")), QStringLiteral("1"));
        QVERIFY(keyInFile(QStringLiteral("Group3")));
        QVERIFY(keyInFile(QStringLiteral("Code3")));
        QCOMPARE(stored(QStringLiteral("Group3")), QString());
        QCOMPARE(stored(QStringLiteral("Code3")), QString());
        QVERIFY(!keyInFile(QStringLiteral("Group4")));
    }

    void twoGroupsMayShareAName()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("Same"));
        panel.define({1}, QStringLiteral("Same"));

        QCOMPARE(panel.list.names(),
                 (QStringList {QStringLiteral("Same"), QStringLiteral("Same")}));
        QCOMPARE(stored(QStringLiteral("Group1")), QStringLiteral("Same"));
        QCOMPARE(stored(QStringLiteral("Group2")), QStringLiteral("Same"));
        QCOMPARE(stored(QStringLiteral("Code1")) + QLatin1Char(',')
                     + stored(QStringLiteral("Code2")),
                 QStringLiteral("1,2"));
    }

    void removingTheMiddleGroupRenumbers()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("A"));
        panel.define({1}, QStringLiteral("B"));
        panel.define({2}, QStringLiteral("C"));
        panel.list.select(1);
        panel.groups.groupSelectionChanged();
        panel.controls.m_buttonLog.clear();
        panel.dialogs.m_shown.clear();
        panel.dialogs.m_yesNoAnswers << true;
        panel.groups.removeGroupClicked();

        const QString question = QStringLiteral("question:Are you sure you want to remove") + Cr
            + QStringLiteral("the lamp group 'B'?");
        QCOMPARE(panel.dialogs.m_shown, QStringList {question});
        QCOMPARE(panel.list.names(), (QStringList {QStringLiteral("A"), QStringLiteral("C")}));
        QCOMPARE(stored(QStringLiteral("Group2")), QStringLiteral("C"));
        QCOMPARE(stored(QStringLiteral("Code2")), QStringLiteral("4"));
        QVERIFY(keyInFile(QStringLiteral("Group3")));
        QCOMPARE(stored(QStringLiteral("Group3")), QString());
        QCOMPARE(stored(QStringLiteral("Code3")), QString());
        // The buttons keep their state although nothing is selected any more.
        QVERIFY(panel.controls.m_buttonLog.isEmpty());
        QCOMPARE(panel.list.selectedIndex(), -1);

        // With no selection both buttons do nothing.
        panel.controls.m_values.fill(1);
        panel.dialogs.m_yesNoAnswers << true;
        panel.groups.removeGroupClicked();
        panel.groups.selectGroupClicked();
        panel.groups.groupDoubleClicked();
        QCOMPARE(panel.dialogs.m_shown.size(), 1);
        QCOMPARE(panel.list.count(), 2);
        QCOMPARE(panel.controls.m_checkboxWrites, 0);
    }

    void removingTheOnlyGroupDisablesTheButtons()
    {
        Panel panel(iniPath());
        panel.define({0, 1}, QStringLiteral("Only"));
        panel.list.select(0);
        panel.groups.groupSelectionChanged();
        panel.controls.m_buttonLog.clear();
        panel.dialogs.m_yesNoAnswers << true;
        panel.groups.removeGroupClicked();

        QCOMPARE(panel.list.count(), 0);
        QCOMPARE(panel.controls.m_buttonLog,
                 (QStringList {QStringLiteral("Remove=0"), QStringLiteral("Select=0")}));
        QVERIFY(keyInFile(QStringLiteral("Group1")));
        QCOMPARE(stored(QStringLiteral("Group1")), QString());
        QCOMPARE(stored(QStringLiteral("Code1")), QString());
        // The removed group's lamps stay checked.
        QCOMPARE(panel.controls.checkedLamps(), (QList<int> {0, 1}));
    }

    void removalAnsweredNoChangesNothing()
    {
        Panel panel(iniPath());
        panel.define({0}, QStringLiteral("Keep"));
        const QByteArray before = rawFile();
        panel.list.select(0);
        panel.dialogs.m_yesNoAnswers << false;
        panel.groups.removeGroupClicked();

        QCOMPARE(panel.dialogs.m_shown.last(),
                 QStringLiteral("question:Are you sure you want to remove") + Cr
                     + QStringLiteral("the lamp group 'Keep'?"));
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("Keep")});
        QCOMPARE(rawFile(), before);
        QVERIFY(panel.controls.m_buttonLog.isEmpty());
    }

    // --- Select Group, double-click and Deselect All ---

    void selectChecksExactlyTheGroupsLamps_data()
    {
        QTest::addColumn<qint32>("code");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<QList<int>>("checked");

        QTest::newRow("code 5, button") << 5 << false << QList<int> {0, 2};
        QTest::newRow("code 5, double-click") << 5 << true << QList<int> {0, 2};
        QTest::newRow("lamp 15") << 32768 << false << QList<int> {15};
        QTest::newRow("all sixteen")
            << 65535 << true << QList<int> {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
        QTest::newRow("bit 16 selects nothing") << 65536 << false << QList<int> {};
        QTest::newRow("bits 30 and 0") << qint32(0x40000001) << false << QList<int> {0};
        QTest::newRow("largest code")
            << qint32(0x7fffffff) << true
            << QList<int> {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    }
    void selectChecksExactlyTheGroupsLamps()
    {
        QFETCH(qint32, code);
        QFETCH(bool, doubleClick);
        QFETCH(QList<int>, checked);

        store(QStringLiteral("Group1"), QStringLiteral("G"));
        store(QStringLiteral("Code1"), QString::number(code));
        const QByteArray before = rawFile();
        Panel panel(iniPath());
        panel.groups.loadGroups();
        QCOMPARE(panel.list.codes(), QList<qint32> {code});

        // Lamps 1 and 7 checked before, lamp 9 with a value that is not 1.
        panel.controls.check({1, 7});
        panel.controls.m_values[9] = 2;
        panel.list.select(0);
        if (doubleClick)
            panel.groups.groupDoubleClicked();
        else
            panel.groups.selectGroupClicked();

        QCOMPARE(panel.controls.checkedLamps(), checked);
        for (int value : panel.controls.m_values)
            QVERIFY(value == 0 || value == 1);
        QVERIFY(panel.dialogs.m_shown.isEmpty());
        QCOMPARE(rawFile(), before);
        QCOMPARE(panel.list.count(), 1);
    }

    void deselectAllReachesHiddenLamps()
    {
        store(QStringLiteral("Group1"), QStringLiteral("G"));
        store(QStringLiteral("Code1"), QStringLiteral("7"));
        const QByteArray before = rawFile();
        Panel panel(iniPath());
        panel.groups.loadGroups();
        panel.controls.m_values.fill(1);
        panel.controls.m_values[12] = 2;
        panel.list.select(0);
        panel.groups.deselectAllClicked();

        QCOMPARE(panel.controls.m_values, (std::array<int, Lamps> {}));
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("G")});
        QCOMPARE(panel.list.selectedIndex(), 0);
        QVERIFY(panel.dialogs.m_shown.isEmpty());
        QVERIFY(panel.controls.m_buttonLog.isEmpty());
        QCOMPARE(rawFile(), before);
    }

    void listClickFollowsTheSelection_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<QStringList>("log");
        QTest::newRow("entry selected")
            << 1 << QStringList {QStringLiteral("Remove=1"), QStringLiteral("Select=1")};
        QTest::newRow("first entry selected")
            << 0 << QStringList {QStringLiteral("Remove=1"), QStringLiteral("Select=1")};
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
        QCOMPARE(panel.controls.m_buttonLog, log);
    }

    // --- Loading ---

    void loadingStopsAtTheFirstInvalidEntry_data()
    {
        QTest::addColumn<QStringList>("entries"); // key, value, key, value, ...
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QList<qint32>>("codes");

        auto s = [](const char *text) {
            return QString::fromLatin1(text);
        };
        QTest::newRow("no file") << QStringList {} << QStringList {} << QList<qint32> {};
        QTest::newRow("code 0 ends the run")
            << QStringList {s("Group1"), s("A"), s("Code1"),  s("3"), s("Group2"), s("B"),
                            s("Code2"),  s("0"), s("Group3"), s("C"), s("Code3"),  s("4")}
            << QStringList {s("A")} << QList<qint32> {3};
        QTest::newRow("Group1 missing")
            << QStringList {s("Code1"), s("3"), s("Group2"), s("B"), s("Code2"), s("4")}
            << QStringList {} << QList<qint32> {};
        QTest::newRow("Group1 empty") << QStringList {s("Group1"), QString(), s("Code1"), s("3"),
                                                      s("Group2"), s("B"),    s("Code2"), s("4")}
                                      << QStringList {} << QList<qint32> {};
        QTest::newRow("empty name after two groups")
            << QStringList {s("Group1"), s("A"), s("Code1"),  s("1"),    s("Group2"), s("B"),
                            s("Code2"),  s("2"), s("Group3"), QString(), s("Code3"),  s("4"),
                            s("Group4"), s("D"), s("Code4"),  s("8")}
            << QStringList {s("A"), s("B")} << QList<qint32> {1, 2};
        QTest::newRow("code missing")
            << QStringList {s("Group1"), s("A")} << QStringList {} << QList<qint32> {};
        QTest::newRow("code without a number")
            << QStringList {s("Group1"), s("A"), s("Code1"), s("abc")} << QStringList {}
            << QList<qint32> {};
        QTest::newRow("negative code") << QStringList {s("Group1"), s("A"), s("Code1"), s("-5")}
                                       << QStringList {} << QList<qint32> {};
        QTest::newRow("code beyond 32 bits")
            << QStringList {s("Group1"), s("A"), s("Code1"), s("2147483648")} << QStringList {}
            << QList<qint32> {};
        QTest::newRow("code 4294967297 beyond 32 bits")
            << QStringList {s("Group1"), s("A"), s("Code1"), s("4294967297")} << QStringList {}
            << QList<qint32> {};
        QTest::newRow("high bits kept")
            << QStringList {s("Group1"), s("A"), s("Code1"), s("65536"),
                            s("Group2"), s("B"), s("Code2"), s("2147483647")}
            << QStringList {s("A"), s("B")} << QList<qint32> {65536, 2147483647};
        QTest::newRow("code with a trailing text and a fraction")
            << QStringList {s("Group1"), s("A"), s("Code1"), s("12abc"),
                            s("Group2"), s("B"), s("Code2"), s("2.5")}
            << QStringList {s("A"), s("B")} << QList<qint32> {12, 2};
        QTest::newRow("loaded into sorted places")
            << QStringList {s("Group1"), s("zeta"),  s("Code1"), s("1"),
                            s("Group2"), s("Alpha"), s("Code2"), s("2")}
            << QStringList {s("Alpha"), s("zeta")} << QList<qint32> {2, 1};
    }
    void loadingStopsAtTheFirstInvalidEntry()
    {
        QFETCH(QStringList, entries);
        QFETCH(QStringList, names);
        QFETCH(QList<qint32>, codes);

        for (int i = 0; i + 1 < entries.size(); i += 2)
            store(entries.at(i), entries.at(i + 1));
        const QByteArray before = rawFile();

        Panel panel(iniPath());
        panel.groups.loadGroups();

        QCOMPARE(panel.list.names(), names);
        QCOMPARE(panel.list.codes(), codes);
        // Loading writes nothing, selects nothing and leaves the buttons alone.
        QCOMPARE(rawFile(), before);
        QCOMPARE(QFile::exists(iniPath()), !entries.isEmpty());
        QCOMPARE(panel.list.selectedIndex(), -1);
        QVERIFY(panel.controls.m_buttonLog.isEmpty());
        QVERIFY(panel.dialogs.m_shown.isEmpty());
    }

    void saveAfterStoppedLoadingLeavesLaterEntriesUnread()
    {
        store(QStringLiteral("Group1"), QStringLiteral("A"));
        store(QStringLiteral("Code1"), QStringLiteral("3"));
        store(QStringLiteral("Group2"), QStringLiteral("B"));
        store(QStringLiteral("Code2"), QStringLiteral("0"));
        store(QStringLiteral("Group3"), QStringLiteral("C"));
        store(QStringLiteral("Code3"), QStringLiteral("4"));

        Panel panel(iniPath());
        panel.groups.loadGroups();
        panel.groups.saveGroups();

        QCOMPARE(stored(QStringLiteral("Group1")), QStringLiteral("A"));
        QCOMPARE(stored(QStringLiteral("Code1")), QStringLiteral("3"));
        QCOMPARE(stored(QStringLiteral("Group2")), QString());
        QCOMPARE(stored(QStringLiteral("Code2")), QString());
        QCOMPARE(stored(QStringLiteral("Group3")), QStringLiteral("C"));
        QCOMPARE(stored(QStringLiteral("Code3")), QStringLiteral("4"));
    }

    void code65536RoundTrip()
    {
        store(QStringLiteral("Group1"), QStringLiteral("High"));
        store(QStringLiteral("Code1"), QStringLiteral("65536"));

        Panel panel(iniPath());
        panel.groups.loadGroups();
        panel.controls.m_values.fill(1);
        panel.list.select(0);
        panel.groups.selectGroupClicked();
        QCOMPARE(panel.controls.checkedLamps(), QList<int> {});

        // A new group goes before it; the rewrite carries 65536 along unchanged.
        panel.define({3}, QStringLiteral("Back"));
        QCOMPARE(stored(QStringLiteral("Group1")), QStringLiteral("Back"));
        QCOMPARE(stored(QStringLiteral("Code1")), QStringLiteral("8"));
        QCOMPARE(stored(QStringLiteral("Group2")), QStringLiteral("High"));
        QCOMPARE(stored(QStringLiteral("Code2")), QStringLiteral("65536"));
    }

    // --- Names across a restart ---

    void namesSurviveARestart_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("name");

        QTest::newRow("plain") << QStringLiteral("Back row") << QStringLiteral("Back row");
        QTest::newRow("blanks only") << QStringLiteral("   ") << QStringLiteral("   ");
        QTest::newRow("one blank") << QStringLiteral(" ") << QStringLiteral(" ");
        QTest::newRow("leading blanks") << QStringLiteral("  Stage") << QStringLiteral("  Stage");
        QTest::newRow("trailing blanks") << QStringLiteral("Stage  ") << QStringLiteral("Stage  ");
        QTest::newRow("blanks at both ends")
            << QStringLiteral(" Stage ") << QStringLiteral(" Stage ");
        QTest::newRow("quoted") << QStringLiteral("\"Front\"") << QStringLiteral("\"Front\"");
        QTest::newRow("brackets, equals and semicolon")
            << QStringLiteral("[Kelvaris]=x;y") << QStringLiteral("[Kelvaris]=x;y");
        QTest::newRow("beyond ASCII") << QStringLiteral("B\u00fchne \u821e\u53f0")
                                      << QStringLiteral("B\u00fchne \u821e\u53f0");
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
        const QList<QByteArray> lines = rawLines();
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
        QFile file(iniPath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(encoder.encode(
            QStringLiteral("[Kelvaris]\r\nLampCount=5\r\nGroup1=Front\r\nCode1=3\r\n")));
        file.close();

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
        QCOMPARE(panel.dialogs.m_shown, (QStringList {ExpectedPrompt, ExpectedPrompt}));

        panel.list.select(0);
        panel.dialogs.m_yesNoAnswers << true;
        panel.groups.removeGroupClicked();
        QCOMPARE(panel.list.names(), QStringList {QStringLiteral("B")});
        QCOMPARE(panel.dialogs.m_shown.size(), 3);
        QVERIFY(QFileInfo(iniPath()).isDir());
    }
};

QTEST_GUILESS_MAIN(tst_LampGroups)
#include "tst_lampgroups.moc"

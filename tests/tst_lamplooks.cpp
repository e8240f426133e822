// Looks stored in, read from and kept in a real settings file.
#include "fakegroupdialogs.h"
#include "filebytes.h"
#include "groups/lamplooks.h"
#include "lamps/deskmodel.h"
#include "settings/settingsfile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

// Lamp n at level n: "0,1,...,15"; Other a look the operator never stored here.
const QByteArray Ramp = "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15";
const QByteArray Other = "9,9,9,9,9,9,9,9,9,9,9,9,9,9,9,9";

struct Panel
{
    explicit Panel(const QString &path) : settings(path) { looks.loadLooks(); }

    DeskModel desk;
    LookFader fader {desk};
    FakeGroupDialogs dialogs;
    SettingsFile settings;
    LampLooks looks {desk, fader, settings};

    QString listed() const
    {
        const QList<LampLooks::Look> all = looks.looks();
        QStringList names;
        for (const int index : looks.listOrder())
            names.append(all.at(index).name);
        return names.join(QLatin1Char(','));
    }
};

} // namespace

class tst_LampLooks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptInTheFile_data();
    void keptInTheFile();
};

void tst_LampLooks::keptInTheFile_data()
{
    QTest::addColumn<QByteArray>("before"); // Look lines of the file
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("listed");
    QTest::addColumn<QByteArray>("after"); // the file's Look lines, ';' between lines

    const auto row = [](const char *name, const QByteArray &before, const char *actions,
                        const char *listed, const QByteArray &after) {
        QTest::newRow(name) << before << QString::fromLatin1(actions) << QString::fromLatin1(listed)
                            << after;
    };
    // Actions: s<name> store without asking; S<name>:<y|n> Store Look, the replacement
    // question answered; R<index>:<y|n> Remove Look.
    row("stored, listed sorted, kept in stored order", QByteArray(), "swarm sCold", "Cold,warm",
        "Look1=warm;LookLevels1=" + Ramp + ";Look2=Cold;LookLevels2=" + Ramp
            + ";Look3=;LookLevels3=");
    row("malformed: skipped, left alone until a change",
        "Look1=Bad\nLookLevels1=1,2,3\nLook2=Good\nLookLevels2=" + Other + "\n", "", "Good",
        "Look1=Bad;LookLevels1=1,2,3;Look2=Good;LookLevels2=" + Other);
    row("malformed: written back in place",
        "Look1=Good\nLookLevels1=" + Other + "\nLook2=Bad\nLookLevels2=1,x,3\n", "sNew", "Good,New",
        "Look1=Good;LookLevels1=" + Other + ";Look2=Bad;LookLevels2=1,x,3;Look3=New;LookLevels3="
            + Ramp + ";Look4=;LookLevels4=");
    row("malformed: levels out of range or not plain",
        "Look1=A\nLookLevels1=" + Other.left(29) + "256\nLook2=B\nLookLevels2=" + Other.left(29)
            + "+9\n",
        "sC", "C",
        "Look1=A;LookLevels1=" + Other.left(29) + "256;Look2=B;LookLevels2=" + Other.left(29)
            + "+9;Look3=C;LookLevels3=" + Ramp + ";Look4=;LookLevels4=");
    row("the list ends at the first empty name",
        "Look1=A\nLookLevels1=" + Other + "\nLook2=\nLook3=C\nLookLevels3=" + Other + "\n", "", "A",
        "Look1=A;LookLevels1=" + Other + ";Look2=;Look3=C;LookLevels3=" + Other);
    row("replaced in its place after yes",
        "Look1=A\nLookLevels1=" + Other + "\nLook2=B\nLookLevels2=" + Other + "\n", "SA:y", "A,B",
        "Look1=A;LookLevels1=" + Ramp + ";Look2=B;LookLevels2=" + Other + ";Look3=;LookLevels3=");
    row("not replaced after no", "Look1=A\nLookLevels1=" + Other + "\n", "SA:n", "A",
        "Look1=A;LookLevels1=" + Other);
    row("removed after yes, the malformed kept",
        "Look1=Bad\nLookLevels1=\nLook2=B\nLookLevels2=" + Other + "\n", "R0:y", "",
        "Look1=Bad;LookLevels1=;Look2=;LookLevels2=");
}

void tst_LampLooks::keptInTheFile()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, actions);
    QFETCH(QString, listed);
    QFETCH(QByteArray, after);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("Kelvaris.ini"));
    QVERIFY(FileBytes::write(path, "[Kelvaris]\nLampCount=4\n" + before));
    {
        Panel panel(path);
        for (int lamp = 0; lamp < DeskModel::MaxLamps; ++lamp)
            panel.desk.setLevel(lamp, lamp);
        for (const QString &action : actions.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
            const QString argument = action.mid(1).section(QLatin1Char(':'), 0, 0);
            panel.dialogs.yesNoAnswers << action.endsWith(QLatin1String(":y"));
            panel.dialogs.textAnswers << argument;
            if (action.startsWith(QLatin1Char('s')))
                panel.looks.store(argument);
            else if (action.startsWith(QLatin1Char('S')))
                panel.looks.storeAsking(panel.dialogs);
            else
                panel.looks.removeAsking(argument.toInt(), panel.dialogs);
        }
        QCOMPARE(panel.listed(), listed);
    }

    QList<QByteArray> lines;
    for (const QByteArray &line : FileBytes::read(path).split('\n')) {
        if (line.startsWith("Look"))
            lines.append(line.trimmed());
    }
    QCOMPARE(lines, after.split(';'));
    // A restart reads back what was listed.
    QCOMPARE(Panel(path).listed(), listed);
}

QTEST_GUILESS_MAIN(tst_LampLooks)
#include "tst_lamplooks.moc"

#include "platform/commandline.h"

#include <QtTest>

class tst_CommandLine : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parse_data();
    void parse();
};

void tst_CommandLine::parse_data()
{
    QTest::addColumn<QString>("arguments"); // split at blanks
    QTest::addColumn<QString>("outcome"); // the action, then any settings file

    auto row = [](const char *name, const char *arguments, const char *outcome) {
        QTest::newRow(name) << QString::fromUtf8(arguments) << QString::fromUtf8(outcome);
    };
    row("nothing", "", "run");
    row("settings file with equals", "--settings=/x/a.ini", "run /x/a.ini");
    row("last settings file counts", "--settings a --settings b", "run b");
    row("settings without file", "--settings", "fail");
    row("settings with empty file", "--settings=", "fail");
    row("one dash settings is no option", "-settings a.ini", "fail");
    row("help", "--help", "help");
    row("version", "-v", "version");
    row("unknown option", "--bogus", "fail");
    row("argument", "panel.ini", "fail");
    row("platform with two dashes", "--platform offscreen", "run");
    row("platform last, without value", "--settings a -platform", "run a");
    row("style", "-style Windows", "run");
    row("style with equals", "-style=Windows", "run");
    row("geometry and reverse", "-geometry 800x600+0+0 -reverse", "run");
    row("platform with equals is no option", "-platform=offscreen", "fail");
}

void tst_CommandLine::parse()
{
    QFETCH(QString, arguments);
    QFETCH(QString, outcome);

    const CommandLine line = CommandLine::parse(arguments.split(u' ', Qt::SkipEmptyParts));
    const char *const actions[] = {"run", "help", "version", "fail"};
    QCOMPARE((QLatin1String(actions[int(line.action())]) + u' ' + line.settingsPath()).trimmed(),
             outcome);
    QCOMPARE(line.error().isEmpty(), outcome != QLatin1String("fail"));
    // The panel keeps its own style unless one is asked for.
    QCOMPARE(line.hasQtOption(QStringLiteral("style")), arguments.startsWith(u"-style"));
}

QTEST_GUILESS_MAIN(tst_CommandLine)
#include "tst_commandline.moc"

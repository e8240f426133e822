#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The panel's command line. It is read before the application object exists, so
// that --help, --version and a mistake need no display; Qt's own options
// (-platform, -style, -geometry...) are passed over here and left to QApplication,
// which takes them out of argv itself.
class CommandLine final
{
public:
    enum class Action { Run, ShowHelp, ShowVersion, Fail };

    // The exit status for a command line that cannot be used (sysexits' EX_USAGE).
    static constexpr int UsageError = 64;

    // The arguments after the program's name.
    static CommandLine parse(const QStringList &arguments);
    // argv decoded as the system's file names are, the program's name left out.
    static QStringList arguments(int argc, const char *const *argv);

    Action action() const { return m_action; }
    // The file named by --settings, as given; empty without the option.
    QString settingsPath() const { return m_settingsPath; }
    // What is wrong, for Action::Fail.
    QString error() const { return m_error; }
    // Whether Qt's option name ("style", "platform"...) was given, in any form.
    bool hasQtOption(const QString &name) const { return m_qtOptions.contains(name); }

    static QString usage();
    static QString version();

    // Everything but Run ends the program before it starts: help and version go to
    // stdout, a mistake and the usage to stderr. The exit status, or none to run.
    std::optional<int> exitStatus() const;

private:
    Action m_action = Action::Run;
    QString m_settingsPath;
    QString m_error;
    QStringList m_qtOptions;
};

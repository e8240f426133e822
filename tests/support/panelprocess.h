#pragma once

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <chrono>
#include <optional>

// The real panel executable, started as a user starts it: a copy in a folder of its
// own with its settings file beside it, named with --settings. It starts with the
// serial port guard loaded. A run still going when this ends is killed.
class PanelProcess final
{
public:
    static constexpr std::chrono::milliseconds StartTimeout {10000};

    // The panel this build made.
    PanelProcess();
    // Another build of the panel.
    explicit PanelProcess(QString executable);
    ~PanelProcess();
    PanelProcess(const PanelProcess &) = delete;
    PanelProcess &operator=(const PanelProcess &) = delete;

    // Copies the panel into the folder and writes settings beside it; a null
    // settings text writes no file.
    bool prepare(const QByteArray &settings);
    // Starts the copy, through the given program and arguments when not empty
    // (e.g. setpriv to run it as another user).
    bool start(const QStringList &wrapper = {});
    // SIGTERM, as a session ending sends; true once the process has ended.
    bool terminate();

    QProcess &process() { return m_process; }
    bool isRunning() const { return m_process.state() == QProcess::Running; }
    // The time the process has spent on a processor, user and system together.
    std::optional<std::chrono::milliseconds> cpuTime() const;

    QString folder() const { return m_dir.path(); }
    QString executable() const;
    QString settingsPath() const;
    // Remote control's module beside the copy, when the build has one.
    QString remoteModule() const;
    QByteArray settings() const;

private:
    QString m_original;
    QTemporaryDir m_dir;
    QProcess m_process;
};

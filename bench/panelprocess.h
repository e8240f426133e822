#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QtGlobal>
#include <optional>

// The real panel executable, run from a copy in a temporary folder beside its own
// Kelvaris.ini (it reads the settings file next to its resolved executable, so a
// link would not do). Reads its CPU time and peak memory from /proc.
class PanelProcess final
{
public:
    // extraSettings: further lines for its Kelvaris.ini.
    PanelProcess(const QString &executable, int lampCount, const QString &device,
                 const QString &extraSettings = {});
    ~PanelProcess();
    PanelProcess(const PanelProcess &) = delete;
    PanelProcess &operator=(const PanelProcess &) = delete;

    // Empty on success, else what went wrong.
    QString start();
    void stop();
    qint64 pid() const;

    // utime + stime of the whole process, in clock ticks (sysconf(_SC_CLK_TCK)).
    std::optional<qint64> cpuTicks() const;
    // CPU time of all its threads in nanoseconds, from the scheduler's own account.
    std::optional<qint64> cpuNs() const;
    // VmHWM: the peak resident set, in KiB.
    std::optional<qint64> peakResidentKiB() const;

private:
    QString procPath(const QString &entry) const;

    QString m_executable;
    int m_lampCount = 0;
    QString m_device;
    QString m_extraSettings;
    QTemporaryDir m_folder;
    QProcess m_process;
};

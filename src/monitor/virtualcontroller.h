#pragma once

#include "monitor/bytesource.h"
#include "monitor/pseudoterminalpair.h"

class QSocketNotifier;

// A lamp controller without hardware: a pseudo-terminal pair whose slave end stands in
// for the serial device. The panel opens the slave by its path; the monitor reads what
// arrives on the master.
class VirtualController final : public ByteSource
{
    Q_OBJECT

public:
    explicit VirtualController(QObject *parent = nullptr);
    ~VirtualController() override;

    bool open() override;
    // The slave's path, e.g. "/dev/pts/3", for the panel's settings file.
    QString deviceName() const override { return m_pair.slavePath(); }

private:
    void readMaster();
    void fail(MonitorExitCode code, const QString &what, int error);

    // Its slave is held open for the whole run, so that the panel closing its side is
    // no hang-up for the master and the panel can open the device again.
    PseudoTerminalPair m_pair;
    QSocketNotifier *m_notifier = nullptr;
};

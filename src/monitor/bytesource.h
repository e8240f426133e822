#pragma once

#include "monitor/monitorexitcode.h"

#include <QByteArray>
#include <QObject>
#include <QString>

// Where the monitor's bytes come from: a serial device or the virtual controller's
// pseudo-terminal. Sources only ever read.
class ByteSource : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

    // Opens the source; on failure failureMessage() and failureCode() say why.
    virtual bool open() = 0;
    // The device the panel writes to, as the operator names it.
    virtual QString deviceName() const = 0;

    QString failureMessage() const { return m_failureMessage; }
    MonitorExitCode failureCode() const { return m_failureCode; }

Q_SIGNALS:
    void bytesReceived(const QByteArray &bytes);
    // The source can no longer be read; failureMessage() and failureCode() say why.
    void failed();

protected:
    void setFailure(MonitorExitCode code, const QString &message)
    {
        m_failureCode = code;
        m_failureMessage = message;
    }

private:
    QString m_failureMessage;
    MonitorExitCode m_failureCode = MonitorExitCode::Normal;
};

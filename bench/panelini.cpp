#include "panelini.h"

#include "filebytes.h"

#include <QDir>

QByteArray PanelIni::text(int lampCount, const QString &device, const QString &extraLines)
{
    return (QStringLiteral("[Kelvaris]\nLampCount=%1\nSerialDevice=%2\n").arg(lampCount).arg(device)
            + extraLines)
        .toUtf8();
}

QString PanelIni::write(const QString &folder, int lampCount, const QString &device,
                        const QString &extraLines)
{
    const QString path = QDir(folder).filePath(QStringLiteral("Kelvaris.ini"));
    return FileBytes::write(path, text(lampCount, device, extraLines)) ? path : QString();
}

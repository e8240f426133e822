#include "panelini.h"

#include <QDir>
#include <QFile>

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
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    if (file.write(text(lampCount, device, extraLines)) < 0)
        return {};
    return path;
}

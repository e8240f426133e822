#include "panelini.h"

#include <QDir>
#include <QFile>

QString PanelIni::write(const QString &folder, int lampCount, const QString &device,
                        const QString &extraLines)
{
    const QString path = QDir(folder).filePath(QStringLiteral("Kelvaris.ini"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    const QString text
        = QStringLiteral("[Kelvaris]\nLampCount=%1\nSerialDevice=%2\n").arg(lampCount).arg(device)
        + extraLines;
    if (file.write(text.toUtf8()) < 0)
        return {};
    return path;
}

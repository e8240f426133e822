#include "panelini.h"

#include "filebytes.h"

#include <QDir>

QByteArray PanelIni::text() const
{
    QByteArray text = "[Kelvaris]\nLampCount=" + QByteArray::number(lampCount) + '\n';
    if (!serialDevice.isEmpty())
        text += "SerialDevice=" + serialDevice.toUtf8() + '\n';
    return text + more;
}

QString PanelIni::write(const QString &folder) const
{
    const QString path = QDir(folder).filePath(QStringLiteral("Kelvaris.ini"));
    return FileBytes::write(path, text()) ? path : QString();
}

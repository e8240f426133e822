#include "settings/settingsfile.h"

#include <QCoreApplication>
#include <utility>

SettingsFile::SettingsFile(QString path)
    : m_path(std::move(path))
{
}

QString SettingsFile::besideExecutable()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/Kelvaris.ini");
}

QString SettingsFile::ReadSetting(const QString &key) const
{
    Q_UNUSED(key)
    return {}; // placeholder
}

void SettingsFile::WriteSetting(const QString &key, const QString &value)
{
    Q_UNUSED(key)
    Q_UNUSED(value)
}

#pragma once

#include "settings/settingsstore.h"

#include <QString>

// The INI settings file. Nothing is cached: every read goes to the file, every
// write edits it in place and replaces it atomically.
class SettingsFile final : public SettingsStore
{
public:
    explicit SettingsFile(QString path);

    // "Kelvaris.ini" in the directory of the running executable.
    static QString besideExecutable();

    QString path() const { return m_path; }

    QString ReadSetting(const QString &key) const override;
    void WriteSetting(const QString &key, const QString &value) override;

private:
    QString m_path;
};

#pragma once

#include "settings/settingsstore.h"

#include <QString>

// The INI settings file, section "Kelvaris" (IniText). Nothing is cached: every
// read goes to the file, every write edits it and replaces it atomically.
class SettingsFile final : public SettingsStore
{
public:
    // The settings file's name, wherever it lives.
    static constexpr char FileName[] = "Kelvaris.ini";

    explicit SettingsFile(QString path);

    // A file made on its first write: while path does not exist, reads come
    // from seed (nothing when empty), and the first write creates path, and any
    // missing folders above it (mode 0700), from the seed's content with the
    // change applied. The seed itself is never written. An empty path reads
    // the seed and absorbs every write.
    static SettingsFile copyOnWrite(QString path, QString seed);

    QString path() const { return m_path; }

    QString readSetting(const QString &key) const override;
    void writeSetting(const QString &key, const QString &value) override;
    void writeSettings(const Entries &entries) override;

private:
    // The file reads come from now.
    QString readSource() const;

    QString m_path;
    QString m_seed;
    bool m_copyOnWrite = false;
};

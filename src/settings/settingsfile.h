#pragma once

#include "settings/settingsstore.h"

#include <QString>

// The INI settings file, section "Kelvaris" (IniText). Nothing is cached: every
// read goes to the file, every write edits it and replaces it atomically. A new
// file is created with mode 0600; a replaced one keeps its mode and, where this
// user may give it, its owner. A file that cannot be edited is never written.
class SettingsFile final : public SettingsStore
{
public:
    // The settings file's name, wherever it lives.
    static constexpr char FileName[] = "Kelvaris.ini";

    explicit SettingsFile(QString path);

    // A file made on its first write: while path does not exist, reads come
    // from seed (nothing when empty), and the first write creates path, and any
    // missing folders above it (mode 0700), from the seed's content with the
    // change applied; a failed first write leaves none of them. The seed itself
    // is never written, and one that cannot be edited (IniText::isEditable) is
    // never copied: reads keep coming from it and writes are absorbed. An empty
    // path reads the seed and absorbs every write.
    static SettingsFile copyOnWrite(QString path, QString seed);

    QString path() const { return m_path; }
    // Whether users other than the file's owner may read it.
    bool isReadableByOthers() const;

    QString readSetting(const QString &key) const override;
    // The file is read once for all the keys.
    Values readSettings(const QStringList &keys) const override;
    void writeSetting(const QString &key, const QString &value) override;
    void writeSettings(const Entries &entries) override;

private:
    // The file reads come from now.
    QString readSource() const;
    // Says on the log, once, why writes are absorbed.
    void warnOnce(const QString &message);

    QString m_path;
    QString m_seed;
    bool m_copyOnWrite = false;
    bool m_warned = false;
};

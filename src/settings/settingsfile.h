#pragma once

#include "settings/settingsstore.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// The INI settings file, section "Kelvaris". Nothing is cached: every read goes
// to the file, every write edits it and replaces it atomically.
//
// The file is bytes. Section names, key names and values are each decoded as
// UTF-8 when they are valid UTF-8 and as Windows-1252 otherwise, so files made
// by hand in either encoding keep their names; values are written as UTF-8.
// A file that starts with a UTF-16 byte-order mark (either byte order) is
// UTF-16 throughout and stays so: it is read by the same rules, and a write that
// cannot keep it valid UTF-16 does not happen.
class SettingsFile final : public SettingsStore
{
public:
    // At most this many characters of a value come back from a read.
    static constexpr qsizetype MaxValueLength = 254;
    // The settings file's name, wherever it lives.
    static constexpr char FileName[] = "Kelvaris.ini";

    explicit SettingsFile(QString path);

    // A file made on its first write: while path does not exist, reads come
    // from seed (nothing when empty), and the first write creates path, and any
    // missing folders above it (mode 0700), from the seed's content with the
    // change applied. The seed itself is never written. An empty path reads
    // the seed and absorbs every write.
    static SettingsFile copyOnWrite(QString path, QString seed);

    // "Kelvaris.ini" in the directory of the running executable, symlinks
    // resolved; empty when that directory cannot be found.
    static QString besideExecutable();

    QString path() const { return m_path; }

    QString readSetting(const QString &key) const override;
    void writeSetting(const QString &key, const QString &value) override;
    void writeSettings(const Entries &entries) override;

    // Whether key, blanks and tabs around it ignored, can be written and read
    // back: not empty, no '=' or line break, not starting with '[' or ';'.
    static bool isStorableKey(const QString &key);

    // The value of key in the first "Kelvaris" section of a file's content, as
    // readSetting gives it.
    static QString readFrom(const QByteArray &content, const QString &key);

    // The content with key set to value, every other line kept byte for byte.
    // The value is cut at its first line break and quoted when it would not
    // read back unchanged. The content comes back unchanged for a key that
    // cannot be stored, and for UTF-16 content that is not valid UTF-16.
    static QByteArray writeTo(const QByteArray &content, const QString &key, const QString &value);

private:
    // The file reads come from now.
    QString readSource() const;

    QString m_path;
    QString m_seed;
    bool m_copyOnWrite = false;
};

#pragma once

#include "settings/settingsfile.h"

#include <QProcessEnvironment>
#include <QString>

// Which settings file the panel uses, decided once at start-up.
//
// A portable copy, in a folder its user can write that is no system folder (a
// build tree, a copy in the user's own folder), keeps Kelvaris.ini beside the
// executable. An installed copy keeps a per-user file in
// $XDG_CONFIG_HOME/kelvaris/; until that file exists, reads come from a seed:
// the file beside the executable or, failing that, the administrator's file in
// the first $XDG_CONFIG_DIRS folder that has one. The seed is never written.
class SettingsLocation final
{
public:
    // The folder under each configuration base folder that holds the file.
    static const QLatin1String FolderName;

    // The file the panel reads and writes; empty when there is none to write
    // (no usable home), and then writes are absorbed.
    QString path() const { return m_path; }
    // The file reads come from while path() does not exist; empty for none.
    QString seed() const { return m_seed; }
    // Whether path() is the file beside the executable, used as it always was.
    bool isPortable() const { return m_portable; }
    // The settings file to hand to the panel: the file itself when portable,
    // else the per-user file made from the seed on its first write.
    SettingsFile file() const;

    // The decision for an executable in folder (its real, absolute path).
    // folderWritable tells whether the running user may create files there.
    static SettingsLocation decide(const QString &folder, bool folderWritable,
                                   const QProcessEnvironment &environment);
    // The decision for the running executable and process environment.
    static SettingsLocation forThisExecutable();

    // Whether a folder belongs to the system's installed software: /usr or
    // /opt, or anything under them.
    static bool isSystemFolder(const QString &folder);

    // $XDG_CONFIG_HOME, or ~/.config when that is unset, empty or relative;
    // empty when there is no absolute home either.
    static QString configHome(const QProcessEnvironment &environment);

private:
    QString m_path;
    QString m_seed;
    bool m_portable = false;
};

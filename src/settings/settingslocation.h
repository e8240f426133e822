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

    // The settings file to hand to the panel: the file beside the executable when
    // portable, else the per-user file made from the seed on its first write. Its
    // path is empty when there is none to write (no usable home), and then writes
    // are absorbed.
    SettingsFile file() const;

    // The decision for an executable in folder (its real, absolute path).
    // folderWritable tells whether the running user may create files there.
    static SettingsLocation decide(const QString &folder, bool folderWritable,
                                   const QProcessEnvironment &environment);
    // The decision for the running executable (its folder with symlinks resolved)
    // and process environment; no file at all when that folder cannot be found.
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

#pragma once

#include "settings/settingsfile.h"

#include <QProcessEnvironment>
#include <QString>

// Which settings file the panel uses, and where its levels state file lives,
// decided once at start-up.
//
// A file named on the command line is used as it is, for every read and write.
// Otherwise a portable copy (a build tree, a copy in the user's own folder) keeps
// Kelvaris.ini beside the executable. An installed copy keeps a per-user file in
// $XDG_CONFIG_HOME/kelvaris/; until that file exists, reads come from a seed: the
// file beside the executable or, failing that, the administrator's file in the
// first $XDG_CONFIG_DIRS folder that has one. The seed is never written.
class SettingsLocation final
{
public:
    // The folder under each configuration base folder that holds the file.
    static const QLatin1String FolderName;

    // The settings file to hand to the panel. Its path is empty when there is none
    // to write (no usable home), and then writes are absorbed.
    SettingsFile file() const;
    // Where the levels are kept between runs: beside the settings file, named after
    // it with the suffix ".levels", for a named file or a portable copy;
    // $XDG_STATE_HOME/kelvaris/levels for an installed copy. Empty when there is
    // no such place.
    QString levelsPath() const;
    // Which file, and why, as the log tells it.
    QString reason() const { return m_reason; }

    // Exactly the file path, relative to the working folder, for every read and write.
    static SettingsLocation named(const QString &path);
    // The decision for an executable in folder (its real, absolute path).
    // folderWritable tells whether the running user may create files there.
    static SettingsLocation decide(const QString &folder, bool folderWritable,
                                   const QProcessEnvironment &environment);
    // The decision for the running executable (its folder with symlinks resolved)
    // and process environment; no file at all when that folder cannot be found.
    static SettingsLocation forThisExecutable();
    // The file named on the command line or, without one, the running executable's;
    // the choice and its reason go to the log.
    static SettingsLocation chosen(const QString &namedPath);

    // Whether an executable in folder is an installed copy: its user cannot write
    // the folder, or it is one of the folders installed programs live in
    // (/usr/bin, /opt/<name>/bin and the like). Every other folder is portable.
    static bool isInstalled(const QString &folder, bool folderWritable);

    // $XDG_CONFIG_HOME, or ~/.config when that is unset, empty or relative;
    // empty when there is no absolute home either.
    static QString configHome(const QProcessEnvironment &environment);
    // $XDG_STATE_HOME, or ~/.local/state, by the same rule.
    static QString stateHome(const QProcessEnvironment &environment);

private:
    QString m_path;
    QString m_seed;
    QString m_levelsPath;
    QString m_reason;
    bool m_copyOnWrite = false;
};

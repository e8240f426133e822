#pragma once

#include <QPluginLoader>
#include <QString>
#include <QStringList>

class RemoteControl;

// Finds and loads the remote-control module, only when a settings key asks for it:
// beside the executable first (a build tree, a portable copy), then in the installed
// module folder relative to it. A module that is missing or does not load leaves the
// panel running without remote control, and the log says which file and why.
class RemoteControlLoader final
{
public:
    // Where the module may be, in the order they are tried.
    static QStringList candidates(const QString &executableFolder);

    // The module's remote control, or nullptr when none could be loaded.
    RemoteControl *load(const QString &executableFolder);
    // Deletes the module's remote control, with its sockets and timers, and unloads it.
    void unload();

private:
    QPluginLoader m_loader;
};

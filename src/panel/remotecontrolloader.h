#pragma once

#include <QObject>
#include <QPluginLoader>
#include <QPointer>
#include <QString>
#include <QStringList>

class RemoteControl;

// Finds and loads the remote-control module, only when a settings key asks for it:
// beside the executable first (a build tree, a portable copy), then in the installed
// module folder relative to it. A module that is missing or does not load leaves the
// panel running without remote control, and the log says which file and why.
//
// The module's object is deleted by release() or, at the latest, by the destructor;
// QPluginLoader alone would keep it until the library is unloaded, after the panel
// it drives is gone. The process holds one such object per module file, so loaders of
// the same file share it.
class RemoteControlLoader final
{
public:
    RemoteControlLoader() = default;
    ~RemoteControlLoader();
    Q_DISABLE_COPY_MOVE(RemoteControlLoader)

    // Where the module may be, in the order they are tried.
    static QStringList candidates(const QString &executableFolder);

    // The module's remote control, or nullptr when none could be loaded.
    RemoteControl *load(const QString &executableFolder);
    // Deletes the module's object, and with it every socket, timer and page it made:
    // nothing of it runs afterwards. The library stays loaded until the process ends,
    // as Qt's own plugins do, since Qt may still hold types and resources it
    // registered. Does nothing when nothing is loaded.
    void release();

private:
    QPluginLoader m_loader;
    QPointer<QObject> m_module;
};

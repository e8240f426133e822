#include "panel/remotecontrolloader.h"

#include "platform/logging.h"
#include "platform/productinfo.h"
#include "remoteapi/remotecontrol.h"

#include <QDir>
#include <QFileInfo>

RemoteControlLoader::~RemoteControlLoader()
{
    release();
}

QStringList RemoteControlLoader::candidates(const QString &executableFolder)
{
    const QDir folder(executableFolder);
    const QString name = QLatin1String(ProductInfo::RemoteModuleFile);
    return {QDir::cleanPath(folder.filePath(name)),
            QDir::cleanPath(folder.filePath(QLatin1String(ProductInfo::RemoteModuleFolder)
                                            + QLatin1Char('/') + name))};
}

RemoteControl *RemoteControlLoader::load(const QString &executableFolder)
{
    const QStringList paths = candidates(executableFolder);
    QString path;
    for (const QString &candidate : paths) {
        if (QFileInfo::exists(candidate)) {
            path = candidate;
            break;
        }
    }
    if (path.isEmpty()) {
        qCWarning(lcRemote).noquote() << "remote control is off: module not found, looked for"
                                      << paths.join(QLatin1String(" and "));
        return nullptr;
    }
    m_loader.setFileName(path);
    QObject *instance = m_loader.instance();
    auto *remote = qobject_cast<RemoteControl *>(instance);
    if (!remote) {
        qCWarning(lcRemote).noquote()
            << "remote control is off: cannot load" << path << "-"
            << (instance ? QStringLiteral("not a Kelvaris remote-control module")
                         : m_loader.errorString());
        return nullptr;
    }
    m_module = instance;
    return remote;
}

void RemoteControlLoader::release()
{
    delete m_module.data();
}

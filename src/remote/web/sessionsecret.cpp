#include "remote/web/sessionsecret.h"

#include "platform/atomicfile.h"
#include "platform/logging.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

QByteArray SessionSecret::load(const QString &path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray secret = file.read(Bytes + 1);
        if (secret.size() == Bytes)
            return secret;
        qCWarning(lcRemote).noquote()
            << "Remote logins secret" << path << "is damaged; a new one ends every login";
    }
    QByteArray secret(Bytes, Qt::Uninitialized);
    QRandomGenerator::system()->fillRange(reinterpret_cast<quint32 *>(secret.data()),
                                          Bytes / qsizetype(sizeof(quint32)));
    if (!QDir().mkpath(QFileInfo(path).absolutePath()) || !AtomicFile::replace(path, secret)) {
        qCWarning(lcRemote).noquote()
            << "Cannot keep remote logins in" << path << "- they end when the panel stops";
        return {};
    }
    return secret;
}

#include "settings/settingsfile.h"

#include "platform/atomicfile.h"
#include "platform/logging.h"
#include "settings/initext.h"
#include "settings/textencoding.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {

// Beyond this a chain of symbolic links is taken as a loop.
constexpr int MaxSymlinkDepth = 40;

struct FileContent
{
    bool ok = false;
    bool exists = false;
    QByteArray bytes;
};

FileContent loadFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {true, false, {}};
    // Directories, devices and pipes are no settings file; reading them could block.
    if (!info.isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return {};
    return {true, true, std::move(bytes)};
}

// The file a path finally names, following symbolic links; empty on a loop.
QString linkTarget(const QString &path)
{
    QString current = path;
    for (int depth = 0; depth < MaxSymlinkDepth; ++depth) {
        const QFileInfo info(current);
        if (!info.isSymLink())
            return current;
        current = info.symLinkTarget();
    }
    return {};
}

constexpr QFileDevice::Permissions PrivateFolder
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Creates folder and the missing folders above it, each private to its owner, and
// lists those it made, outermost first.
bool makeFolders(const QString &folder, QStringList &made)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || !makeFolders(parent, made))
        return false;
    if (QDir().mkdir(folder, PrivateFolder)) {
        made.append(folder);
        return true;
    }
    // Another process may have made it meanwhile.
    return QFileInfo(folder).isDir();
}

void removeFolders(const QStringList &made)
{
    for (auto it = made.crbegin(); it != made.crend(); ++it)
        QDir().rmdir(*it);
}

QString whyNotEditable(const QByteArray &content)
{
    return TextEncoding::startsAsUtf32(content) ? QStringLiteral("it is UTF-32")
                                                : QStringLiteral("it is not valid UTF-16");
}

} // namespace

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) { }

SettingsFile SettingsFile::copyOnWrite(QString path, QString seed)
{
    SettingsFile file(std::move(path));
    file.m_seed = std::move(seed);
    file.m_copyOnWrite = true;
    return file;
}

QString SettingsFile::readSource() const
{
    if (m_copyOnWrite && (m_path.isEmpty() || !QFileInfo::exists(m_path)))
        return m_seed;
    return m_path;
}

bool SettingsFile::isReadableByOthers() const
{
    const QFileInfo file(readSource());
    return file.exists()
        && (file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther)) != 0;
}

QString SettingsFile::readSetting(const QString &key) const
{
    return readSettings({key}).value(key);
}

SettingsStore::Values SettingsFile::readSettings(const QStringList &keys) const
{
    const QString source = readSource();
    const FileContent content = source.isEmpty() ? FileContent {} : loadFile(source);
    Values values;
    for (const QString &key : keys)
        values.insert(key, content.ok ? IniText::readFrom(content.bytes, key) : QString());
    return values;
}

void SettingsFile::writeSetting(const QString &key, const QString &value)
{
    writeSettings({{key, value}});
}

void SettingsFile::writeSettings(const Entries &entries)
{
    Entries storable;
    for (const auto &entry : entries) {
        if (IniText::isStorableKey(entry.first))
            storable.append(entry);
    }
    if (m_path.isEmpty() || storable.isEmpty())
        return;
    const QString target = linkTarget(m_path);
    if (target.isEmpty())
        return;
    // A file that exists but cannot be read is left alone: writing without its
    // content would throw the rest of it away.
    FileContent before = loadFile(target);
    if (!before.ok)
        return;
    QStringList madeFolders;
    if (m_copyOnWrite && !before.exists) {
        // The new file starts as a copy of the seed, byte for byte; a seed that
        // cannot be edited is never copied, so that it is still read next time.
        if (!m_seed.isEmpty()) {
            const FileContent seed = loadFile(m_seed);
            if (!seed.ok)
                return;
            if (!IniText::isEditable(seed.bytes)) {
                warnOnce(QStringLiteral("%1 is not copied to %2, as %3: settings are read from "
                                        "it as far as they can be, and changes are not kept")
                             .arg(m_seed, target, whyNotEditable(seed.bytes)));
                return;
            }
            before.bytes = seed.bytes;
        }
        if (!makeFolders(QFileInfo(target).path(), madeFolders))
            return;
    } else if (!IniText::isEditable(before.bytes)) {
        warnOnce(QStringLiteral("%1 is never written, as %2: changes are not kept")
                     .arg(target, whyNotEditable(before.bytes)));
        return;
    }
    QByteArray after = before.bytes;
    for (const auto &[key, value] : storable)
        after = IniText::writeTo(after, key, value);
    if (before.exists && after == before.bytes)
        return;
    // A first write that fails leaves no trace, not even its folders.
    if (!AtomicFile::replace(target, after))
        removeFolders(madeFolders);
}

void SettingsFile::warnOnce(const QString &message)
{
    if (m_warned)
        return;
    m_warned = true;
    qCWarning(lcSettings).noquote() << message;
}

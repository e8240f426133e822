#include "settings/settingsfile.h"

#include "settings/initext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
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

// A temporary file in the same folder, synced, then renamed over the old one:
// the file is always either the old or the new content. On failure the
// temporary file is removed and the old file is untouched.
void replaceFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    file.setDirectWriteFallback(false);
    // Unbuffered, so that every failed write is seen before the commit.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return;
    if (file.write(bytes) != bytes.size())
        file.cancelWriting();
    file.commit();
}

constexpr QFileDevice::Permissions PrivateFolder
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// Creates folder and the missing folders above it, each private to its owner.
bool makeFolders(const QString &folder)
{
    if (QFileInfo(folder).isDir())
        return true;
    const QString parent = QFileInfo(folder).path();
    if (parent == folder || !makeFolders(parent))
        return false;
    // Another process may have made it meanwhile.
    return QDir().mkdir(folder, PrivateFolder) || QFileInfo(folder).isDir();
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

QString SettingsFile::readSetting(const QString &key) const
{
    const QString source = readSource();
    if (source.isEmpty())
        return {};
    const FileContent content = loadFile(source);
    if (!content.ok)
        return {};
    return IniText::readFrom(content.bytes, key);
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
    if (m_copyOnWrite && !before.exists) {
        // The new file starts as a copy of the seed, byte for byte.
        if (!m_seed.isEmpty()) {
            const FileContent seed = loadFile(m_seed);
            if (!seed.ok)
                return;
            before.bytes = seed.bytes;
        }
        if (!makeFolders(QFileInfo(target).path()))
            return;
    }
    QByteArray after = before.bytes;
    for (const auto &[key, value] : storable)
        after = IniText::writeTo(after, key, value);
    if (before.exists && after == before.bytes)
        return;
    replaceFile(target, after);
}

#include "settings/settingsfile.h"

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
// mkostemp's pattern: "Kelvaris.ini.a1B2c3" beside the file.
constexpr char TemporarySuffix[] = ".XXXXXX";
constexpr mode_t ModeBits = 07777;

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

// Every byte, or false.
bool writeAll(int fd, const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        left -= written;
    }
    return true;
}

// The replaced file's owner where this user may give it (root may; others keep at
// least the group when they belong to it), and its mode.
bool keepOwnerAndMode(int fd, const struct stat &old)
{
    if (::fchown(fd, old.st_uid, old.st_gid) != 0 && errno != EPERM)
        return false;
    if (::fchown(fd, uid_t(-1), old.st_gid) != 0 && errno != EPERM)
        return false;
    return ::fchmod(fd, old.st_mode & ModeBits) == 0;
}

// A temporary file beside the old one, created private (mkostemp gives 0600, so
// a password in the file is never readable by others, not even for a moment),
// synced, then renamed over it: the file is always either the old or the new
// content. On failure the temporary file is removed and the old file is untouched.
bool replaceFile(const QString &path, const QByteArray &bytes)
{
    const QByteArray target = QFile::encodeName(path);
    struct stat old
    {
    };
    const bool replacing = ::stat(target.constData(), &old) == 0;
    QByteArray temporary = target + TemporarySuffix;
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes) && (!replacing || keepOwnerAndMode(fd, old)) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temporary.constData(), target.constData()) == 0;
    if (!ok) {
        ::unlink(temporary.constData());
        return false;
    }
    // The rename itself survives a power cut only once the folder is synced.
    const int folder = ::open(QFile::encodeName(QFileInfo(path).path()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
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
    if (!replaceFile(target, after))
        removeFolders(madeFolders);
}

void SettingsFile::warnOnce(const QString &message)
{
    if (m_warned)
        return;
    m_warned = true;
    qCWarning(lcSettings).noquote() << message;
}

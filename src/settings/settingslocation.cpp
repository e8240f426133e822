#include "settings/settingslocation.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <array>

const QLatin1String SettingsLocation::FolderName("kelvaris");

namespace {

const QLatin1String ConfigHomeVariable("XDG_CONFIG_HOME");
const QLatin1String ConfigDirsVariable("XDG_CONFIG_DIRS");
const QLatin1String HomeVariable("HOME");
const QLatin1String DefaultConfigDirs("/etc/xdg");
const QLatin1String ConfigHomeBelowHome("/.config");
constexpr std::array<const char *, 2> SystemFolders = {"/usr", "/opt"};

// A variable's value when it names an absolute folder; relative values are
// ignored, as if the variable were unset.
QString absoluteFolder(const QString &value)
{
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

QString fileIn(const QString &base)
{
    return base + QLatin1Char('/') + SettingsLocation::FolderName + QLatin1Char('/')
        + QLatin1String(SettingsFile::FileName);
}

// A file counts as there when this user can read it; one that cannot be read
// gives nothing to copy.
bool isReadableFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && info.isReadable();
}

} // namespace

bool SettingsLocation::isSystemFolder(const QString &folder)
{
    if (!QDir::isAbsolutePath(folder))
        return false;
    const QString clean = QDir::cleanPath(folder);
    for (const char *system : SystemFolders) {
        const QLatin1String root(system);
        if (clean == root || clean.startsWith(root + QLatin1Char('/')))
            return true;
    }
    return false;
}

QString SettingsLocation::configHome(const QProcessEnvironment &environment)
{
    const QString configured = absoluteFolder(environment.value(ConfigHomeVariable));
    if (!configured.isEmpty())
        return configured;
    const QString home = absoluteFolder(environment.value(HomeVariable));
    if (home.isEmpty())
        return {};
    return QDir::cleanPath(home + ConfigHomeBelowHome);
}

SettingsLocation SettingsLocation::decide(const QString &folder, bool folderWritable,
                                          const QProcessEnvironment &environment)
{
    SettingsLocation location;
    // Without the executable's folder there is no file: reads give nothing and
    // writes go nowhere rather than into the root folder.
    if (folder.isEmpty())
        return location;
    const QString beside = folder + QLatin1Char('/') + QLatin1String(SettingsFile::FileName);
    if (folderWritable && !isSystemFolder(folder)) {
        location.m_path = beside;
        location.m_portable = true;
        return location;
    }

    QStringList candidates {beside};
    QString dirs = environment.value(ConfigDirsVariable);
    if (dirs.isEmpty())
        dirs = DefaultConfigDirs;
    for (const QString &entry : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString base = absoluteFolder(entry);
        if (!base.isEmpty())
            candidates.append(fileIn(base));
    }
    for (const QString &candidate : candidates) {
        if (isReadableFile(candidate)) {
            location.m_seed = candidate;
            break;
        }
    }

    const QString home = configHome(environment);
    if (home.isEmpty())
        return location;
    const QString perUser = fileIn(home);
    // A home that is itself a system or administrator's folder (root with an
    // odd XDG_CONFIG_HOME) is no place to write: writes are absorbed.
    if (isSystemFolder(perUser) || candidates.contains(perUser))
        return location;
    location.m_path = perUser;
    return location;
}

SettingsFile SettingsLocation::file() const
{
    return m_portable ? SettingsFile(m_path) : SettingsFile::copyOnWrite(m_path, m_seed);
}

SettingsLocation SettingsLocation::forThisExecutable()
{
    // Without an application object there is no executable folder; no file then
    // reads nothing and writes nowhere rather than into the root folder.
    if (!QCoreApplication::instance())
        return {};
    const QString directory = QCoreApplication::applicationDirPath();
    if (directory.isEmpty())
        return {};
    const QString canonical = QDir(directory).canonicalPath();
    const QString folder = canonical.isEmpty() ? directory : canonical;
    return decide(folder, QFileInfo(folder).isWritable(), QProcessEnvironment::systemEnvironment());
}

#include "settings/settingslocation.h"

#include "platform/logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <array>

const QLatin1String SettingsLocation::FolderName("kelvaris");

namespace {

const QLatin1String ConfigHomeVariable("XDG_CONFIG_HOME");
const QLatin1String ConfigDirsVariable("XDG_CONFIG_DIRS");
const QLatin1String HomeVariable("HOME");
const QLatin1String DefaultConfigDirs("/etc/xdg");
const QLatin1String ConfigHomeBelowHome("/.config");
const QLatin1String StateHomeVariable("XDG_STATE_HOME");
const QLatin1String StateHomeBelowHome("/.local/state");
const QLatin1String LevelsFileName("levels");
const QLatin1String LevelsSuffix(".levels");
const QLatin1String OptFolder("/opt/");
const QLatin1String BinFolder("bin");
// Where package managers and installers put programs.
constexpr std::array<const char *, 5> ProgramFolders
    = {"/usr/bin", "/usr/local/bin", "/bin", "/usr/games", "/usr/local/games"};

// A variable's value when it names an absolute folder; relative values are
// ignored, as if the variable were unset.
QString absoluteFolder(const QString &value)
{
    return QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

// The variable's folder or, failing that, the given folder below an absolute home.
QString baseFolder(const QProcessEnvironment &environment, const QLatin1String &variable,
                   const QLatin1String &belowHome)
{
    const QString configured = absoluteFolder(environment.value(variable));
    if (!configured.isEmpty())
        return configured;
    const QString home = absoluteFolder(environment.value(HomeVariable));
    if (home.isEmpty())
        return {};
    return QDir::cleanPath(home + belowHome);
}

// The settings file's name with its suffix replaced, in the same folder, so that
// panels with files of their own in one folder keep their levels apart.
QString levelsBeside(const QString &settingsPath)
{
    const QFileInfo info(settingsPath);
    const QString levels = info.path() + QLatin1Char('/') + info.completeBaseName() + LevelsSuffix;
    // A settings file itself named *.levels must not be taken for its own levels.
    return levels == settingsPath ? settingsPath + LevelsSuffix : levels;
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

bool SettingsLocation::isInstalled(const QString &folder, bool folderWritable)
{
    if (!folderWritable)
        return true;
    const QString clean = QDir::cleanPath(folder);
    for (const char *programs : ProgramFolders) {
        if (clean == QLatin1String(programs))
            return true;
    }
    // /opt/<name>/bin, but not a build tree deeper down in /opt.
    if (!clean.startsWith(OptFolder))
        return false;
    const QStringList parts = clean.mid(OptFolder.size()).split(QLatin1Char('/'));
    return parts.size() == 2 && !parts.first().isEmpty() && parts.last() == BinFolder;
}

QString SettingsLocation::configHome(const QProcessEnvironment &environment)
{
    return baseFolder(environment, ConfigHomeVariable, ConfigHomeBelowHome);
}

QString SettingsLocation::stateHome(const QProcessEnvironment &environment)
{
    return baseFolder(environment, StateHomeVariable, StateHomeBelowHome);
}

SettingsLocation SettingsLocation::named(const QString &path)
{
    SettingsLocation location;
    location.m_path = QFileInfo(path).absoluteFilePath();
    location.m_levelsPath = levelsBeside(location.m_path);
    location.m_reason = QStringLiteral("--settings");
    return location;
}

// The files an installed copy may start from, in order: the one beside the executable,
// then the administrator's in each $XDG_CONFIG_DIRS folder.
static QStringList seedCandidates(const QString &beside, const QProcessEnvironment &environment)
{
    QStringList candidates {beside};
    QString dirs = environment.value(ConfigDirsVariable);
    if (dirs.isEmpty())
        dirs = DefaultConfigDirs;
    for (const QString &entry : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString base = absoluteFolder(entry);
        if (!base.isEmpty())
            candidates.append(fileIn(base));
    }
    return candidates;
}

SettingsLocation SettingsLocation::decide(const QString &folder, bool folderWritable,
                                          const QProcessEnvironment &environment)
{
    SettingsLocation location;
    // Without the executable's folder there is no file: reads give nothing and
    // writes go nowhere rather than into the root folder.
    if (folder.isEmpty()) {
        location.m_reason = QStringLiteral("the executable's folder is unknown");
        return location;
    }
    const QString beside = folder + QLatin1Char('/') + QLatin1String(SettingsFile::FileName);
    if (!isInstalled(folder, folderWritable)) {
        location.m_path = beside;
        location.m_levelsPath = levelsBeside(beside);
        location.m_reason = QStringLiteral("portable: the executable's folder is writable");
        return location;
    }

    location.m_copyOnWrite = true;
    const QString why = folderWritable ? QStringLiteral("installed: %1 holds installed programs")
                                       : QStringLiteral("installed: %1 cannot be written");
    const QStringList candidates = seedCandidates(beside, environment);
    const auto readable = std::find_if(candidates.cbegin(), candidates.cend(), isReadableFile);
    if (readable != candidates.cend())
        location.m_seed = *readable;
    const QString seed = location.m_seed.isEmpty()
        ? QStringLiteral("no file to start from")
        : QStringLiteral("seeded from ") + location.m_seed;
    const QString stateBase = stateHome(environment);
    if (!stateBase.isEmpty())
        location.m_levelsPath
            = stateBase + QLatin1Char('/') + FolderName + QLatin1Char('/') + LevelsFileName;

    const QString home = configHome(environment);
    const QString perUser = home.isEmpty() ? QString() : fileIn(home);
    // A configuration home that holds the seeds themselves (root with an odd
    // XDG_CONFIG_HOME) is no place to write: writes are absorbed.
    if (perUser.isEmpty() || candidates.contains(perUser)) {
        location.m_reason = why.arg(folder) + QStringLiteral(", no per-user file to write (") + seed
            + QStringLiteral("), changes are not kept");
        return location;
    }
    location.m_path = perUser;
    location.m_reason = why.arg(folder)
        + (QFileInfo::exists(perUser) ? QStringLiteral(", per-user file")
                                      : QStringLiteral(", per-user file, ") + seed);
    return location;
}

SettingsFile SettingsLocation::file() const
{
    return m_copyOnWrite ? SettingsFile::copyOnWrite(m_path, m_seed) : SettingsFile(m_path);
}

QString SettingsLocation::levelsPath() const
{
    return m_levelsPath;
}

SettingsLocation SettingsLocation::chosen(const QString &namedPath)
{
    const SettingsLocation location = namedPath.isEmpty() ? forThisExecutable() : named(namedPath);
    const QString path = location.m_path.isEmpty() ? QStringLiteral("none") : location.m_path;
    qCInfo(lcSettings).noquote()
        << QStringLiteral("Settings file: %1 (%2)").arg(path, location.m_reason);
    return location;
}

SettingsLocation SettingsLocation::forThisExecutable()
{
    // Without an application object there is no executable folder; no file then
    // reads nothing and writes nowhere rather than into the root folder.
    const QString directory
        = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    if (directory.isEmpty())
        return decide({}, false, {});
    const QString canonical = QDir(directory).canonicalPath();
    const QString folder = canonical.isEmpty() ? directory : canonical;
    return decide(folder, QFileInfo(folder).isWritable(), QProcessEnvironment::systemEnvironment());
}

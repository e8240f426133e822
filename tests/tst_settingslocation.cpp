#include "filebytes.h"
#include "settings/settingsfile.h"
#include "settings/settingslocation.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

class tst_SettingsLocation : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void isInstalled_data();
    void isInstalled();
    void decide_data();
    void decide();
    void firstWriteCopiesTheSeed();
    void firstWriteWithoutSeedMakesNewFile();
    void levelsPath_data();
    void levelsPath();
    void firstWriteThatFailsAbsorbsWrites_data();
    void firstWriteThatFailsAbsorbsWrites();
    void buildTreeKeepsTheFileBeside();
};

namespace {

const QString Unset = QStringLiteral("<unset>");
const QString PerUserFile = QStringLiteral("/kelvaris/Kelvaris.ini");
constexpr mode_t PrivateFolderMode = 0700;
constexpr mode_t PrivateFileMode = 0600;
constexpr mode_t ModeBits = 07777;

// A scratch layout: an executable's folder, two system configuration folders, a
// home and a configuration home, all real folders in one temporary folder.
class Scratch final
{
public:
    Scratch()
    {
        for (const char *folder : {"exe", "dirs1", "dirs2", "home", "config"})
            QDir(m_dir.path()).mkpath(QLatin1String(folder));
    }

    bool isValid() const { return m_dir.isValid(); }

    // "<exe>/Kelvaris.ini" and the like, as the scratch paths.
    QString resolved(QString text) const
    {
        for (const char *folder : {"exe", "dirs1", "dirs2", "home", "config"}) {
            const QString name = QLatin1String(folder);
            text.replace(QLatin1Char('<') + name + QLatin1Char('>'), m_dir.filePath(name));
        }
        return text;
    }

    bool write(const QString &path, const QByteArray &bytes) const
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
    }

    // XDG_CONFIG_DIRS naming both system folders; the other variables as given.
    QProcessEnvironment environment(const QString &configHome, const QString &home,
                                    const QString &stateHome = Unset) const
    {
        QProcessEnvironment environment;
        if (stateHome != Unset)
            environment.insert(QStringLiteral("XDG_STATE_HOME"), resolved(stateHome));
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"),
                           resolved(QStringLiteral("<dirs1>:<dirs2>")));
        if (configHome != Unset)
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), resolved(configHome));
        if (home != Unset)
            environment.insert(QStringLiteral("HOME"), resolved(home));
        return environment;
    }

    // An installed copy's location in this layout.
    SettingsLocation installed(const QString &configHome = Unset,
                               const QString &home = QStringLiteral("<home>")) const
    {
        return SettingsLocation::decide(resolved(QStringLiteral("<exe>")), false,
                                        environment(configHome, home));
    }

    // Every file and folder under the scratch folder.
    QStringList entries() const
    {
        QStringList found;
        QDirIterator it(m_dir.path(), QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            found.append(it.next());
        found.sort();
        return found;
    }

private:
    QTemporaryDir m_dir;
};

mode_t modeOf(const QString &path)
{
    struct stat info
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & ModeBits : 0;
}

} // namespace

void tst_SettingsLocation::isInstalled_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<bool>("installed");

    auto row = [](const char *folder, bool writable, bool installed) {
        QTest::addRow("%s%s", folder, writable ? "" : ", read-only")
            << QString::fromUtf8(folder) << writable << installed;
    };
    for (const char *programs : {"/usr/bin", "/usr/local/bin", "/bin", "/usr/games",
                                 "/usr/local/games", "/opt/kelvaris/bin", "//usr//bin/"})
        row(programs, true, true);
    for (const char *portable : {"/usr/local/src/kelvaris/build", "/opt/kelvaris/build", "/opt/bin",
                                 "/opt/kelvaris/src/bin", "/usr", "/usr/sbin", "/usr/binaries",
                                 "/usr/bin/../lib", "/home/ann/usr/bin", "/tmp/opt/kelvaris/bin"})
        row(portable, true, false);
    row("/home/ann/kelvaris/build", false, true);
    row("/usr/local/src/kelvaris/build", false, true);
}

void tst_SettingsLocation::isInstalled()
{
    QFETCH(QString, folder);
    QFETCH(bool, writable);
    QFETCH(bool, installed);
    QCOMPARE(SettingsLocation::isInstalled(folder, writable), installed);
}

void tst_SettingsLocation::decide_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("configHome");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("readsFrom"); // empty: no file

    const QString exe = QStringLiteral("<exe>");
    const QString beside = QStringLiteral("<exe>/Kelvaris.ini");
    const QString admin1 = QStringLiteral("<dirs1>/kelvaris/Kelvaris.ini");
    const QString admin2 = QStringLiteral("<dirs2>/kelvaris/Kelvaris.ini");
    const QString home = QStringLiteral("<home>");
    const QString perUser = QStringLiteral("<home>/.config/kelvaris/Kelvaris.ini");

    QTest::newRow("writable folder: the file beside it")
        << exe << true << QStringList {beside, admin1} << Unset << home << beside << beside;
    QTest::newRow("read-only folder with a file beside: seeded from it")
        << exe << false << QStringList {beside, admin1} << Unset << home << perUser << beside;
    QTest::newRow("read-only folder without a file beside: the system file")
        << exe << false << QStringList {admin2} << Unset << home << perUser << admin2;
    QTest::newRow("first system folder with a file wins")
        << exe << false << QStringList {admin1, admin2} << Unset << home << perUser << admin1;
    QTest::newRow("no file anywhere: no seed")
        << exe << false << QStringList() << Unset << home << perUser << QString();
    QTest::newRow("writable system folder counts as installed")
        << "/usr/bin" << true << QStringList {admin1} << Unset << home << perUser << admin1;
    QTest::newRow("XDG_CONFIG_HOME set") << exe << false << QStringList() << "<config>" << home
                                         << "<config>/kelvaris/Kelvaris.ini" << QString();
    QTest::newRow("XDG_CONFIG_HOME empty")
        << exe << false << QStringList() << "" << home << perUser << QString();
    QTest::newRow("XDG_CONFIG_HOME relative counts as unset")
        << exe << false << QStringList() << "relative/config" << home << perUser << QString();
    QTest::newRow("no home: nowhere to write, seed still read")
        << exe << false << QStringList {beside} << Unset << Unset << QString() << beside;
    QTest::newRow("relative home and config home: nowhere to write")
        << exe << false << QStringList() << "config"
        << "home" << QString() << QString();
    QTest::newRow("config home is the administrator's: never written")
        << exe << false << QStringList {admin1} << "<dirs1>" << home << QString() << admin1;
}

void tst_SettingsLocation::decide()
{
    QFETCH(QString, folder);
    QFETCH(bool, writable);
    QFETCH(QStringList, files);
    QFETCH(QString, configHome);
    QFETCH(QString, home);
    QFETCH(QString, path);
    QFETCH(QString, readsFrom);

    Scratch scratch;
    QVERIFY(scratch.isValid());
    // Each file names itself, so a read shows which one it came from.
    for (const QString &file : files)
        QVERIFY(scratch.write(scratch.resolved(file), "[Kelvaris]\nFile=" + file.toUtf8()));

    const SettingsFile file = SettingsLocation::decide(scratch.resolved(folder), writable,
                                                       scratch.environment(configHome, home))
                                  .file();
    QCOMPARE(file.path(), scratch.resolved(path));
    QCOMPARE(file.readSetting(QStringLiteral("File")), readsFrom);
}

void tst_SettingsLocation::firstWriteCopiesTheSeed()
{
    Scratch scratch;
    QVERIFY(scratch.isValid());
    const QString admin = scratch.resolved(QStringLiteral("<dirs1>/kelvaris/Kelvaris.ini"));
    const QByteArray adminBytes("; for every user\r\n[Kelvaris]\r\nSerialDevice=/dev/ttyUSB0\r\n"
                                "Group1=Stage\r\nCode1=5\r\n");
    QVERIFY(scratch.write(admin, adminBytes));
    const SettingsLocation location = scratch.installed();
    QVERIFY(location.reason().endsWith(QStringLiteral(", per-user file, seeded from ") + admin));
    SettingsFile settings = location.file();
    const QString perUser = settings.path();
    QCOMPARE(perUser, scratch.resolved(QStringLiteral("<home>/.config")) + PerUserFile);

    // Before the per-user file exists, the administrator's is read.
    QCOMPARE(settings.readSetting(QStringLiteral("SerialDevice")), QStringLiteral("/dev/ttyUSB0"));
    QVERIFY(!QFileInfo::exists(perUser));

    settings.writeSetting(QStringLiteral("LampCount"), QStringLiteral("12"));
    QCOMPARE(FileBytes::read(perUser), adminBytes + "LampCount=12\r\n");
    QCOMPARE(FileBytes::read(admin), adminBytes);
    QCOMPARE(modeOf(perUser), PrivateFileMode);
    // Both folders the write made are private to the user.
    for (const QString &folder :
         {QStringLiteral("<home>/.config"), QStringLiteral("<home>/.config/kelvaris")})
        QCOMPARE(modeOf(scratch.resolved(folder)), PrivateFolderMode);

    // From now on only the per-user file counts.
    QVERIFY(scratch.write(admin, "[Kelvaris]\nGroup1=Changed by the administrator\n"));
    QCOMPARE(settings.readSetting(QStringLiteral("Group1")), QStringLiteral("Stage"));
    settings.writeSetting(QStringLiteral("Group1"), QStringLiteral("Front"));
    QCOMPARE(FileBytes::read(admin),
             QByteArray("[Kelvaris]\nGroup1=Changed by the administrator\n"));
    QCOMPARE(settings.readSetting(QStringLiteral("Group1")), QStringLiteral("Front"));
}

void tst_SettingsLocation::firstWriteWithoutSeedMakesNewFile()
{
    Scratch scratch;
    QVERIFY(scratch.isValid());
    SettingsFile settings = scratch.installed(QStringLiteral("<config>")).file();
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QString());

    settings.writeSetting(QStringLiteral("LampCount"), QStringLiteral("8"));
    QCOMPARE(FileBytes::read(scratch.resolved(QStringLiteral("<config>")) + PerUserFile),
             QByteArray("[Kelvaris]\nLampCount=8\n"));
}

void tst_SettingsLocation::levelsPath_data()
{
    QTest::addColumn<QString>("where"); // portable, installed, homeless or the named file
    QTest::addColumn<QString>("stateHome");
    QTest::addColumn<QString>("levels");

    const char *userLevels = "<home>/.local/state/kelvaris/levels";
    auto row = [](const char *name, const char *where, const QString &stateHome,
                  const char *levels) {
        QTest::newRow(name) << QString::fromUtf8(where) << stateHome << QString::fromUtf8(levels);
    };
    row("portable", "portable", Unset, "<exe>/Kelvaris.levels");
    row("installed", "installed", Unset, userLevels);
    row("XDG_STATE_HOME", "installed", "<config>", "<config>/kelvaris/levels");
    row("XDG_STATE_HOME empty", "installed", "", userLevels);
    row("XDG_STATE_HOME relative", "installed", "state", userLevels);
    row("no home", "homeless", Unset, "");
    row("named like its levels", "<exe>/panel.levels", Unset, "<exe>/panel.levels.levels");
}

void tst_SettingsLocation::levelsPath()
{
    QFETCH(QString, where);
    QFETCH(QString, stateHome);
    QFETCH(QString, levels);

    Scratch scratch;
    const QString home = where == QLatin1String("homeless") ? Unset : QStringLiteral("<home>");
    const SettingsLocation location = where.startsWith(QLatin1Char('<'))
        ? SettingsLocation::named(scratch.resolved(where))
        : SettingsLocation::decide(scratch.resolved(QStringLiteral("<exe>")),
                                   where == QLatin1String("portable"),
                                   scratch.environment(Unset, home, stateHome));
    QCOMPARE(location.levelsPath(), scratch.resolved(levels));
}

void tst_SettingsLocation::firstWriteThatFailsAbsorbsWrites_data()
{
    QTest::addColumn<QString>("home");
    QTest::addColumn<QByteArray>("seed");
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<QString>("warning"); // said once on the log, or empty

    const QString seed = QStringLiteral("[Kelvaris]\r\nLampCount=12\r\n");
    const QByteArray utf16
        = QStringEncoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom).encode(seed);

    // A folder below a file cannot be made, not even by root.
    QTest::newRow("home is a file") << "<home>/file" << seed.toUtf8() << false << QString();
    QTest::newRow("no home at all") << Unset << seed.toUtf8() << false << QString();
    // A file size limit fails writes the way a full disk does, even for root.
    QTest::newRow("disk full: no folders left") << "<home>" << seed.toUtf8() << true << QString();
    QTest::newRow("seed not valid UTF-16") << "<home>" << utf16 + 'x' << false << "UTF-16";
}

void tst_SettingsLocation::firstWriteThatFailsAbsorbsWrites()
{
    QFETCH(QString, home);
    QFETCH(QByteArray, seed);
    QFETCH(bool, fullDisk);
    QFETCH(QString, warning);

    Scratch scratch;
    QVERIFY(scratch.isValid());
    const QString beside = scratch.resolved(QStringLiteral("<exe>/Kelvaris.ini"));
    QVERIFY(scratch.write(beside, seed));
    QVERIFY(scratch.write(scratch.resolved(QStringLiteral("<home>/file")), "not a folder"));
    const QStringList before = scratch.entries();
    if (!warning.isEmpty()) {
        const QRegularExpression once(QRegularExpression::escape(beside) + QStringLiteral(".*")
                                      + QRegularExpression::escape(warning));
        QTest::ignoreMessage(QtWarningMsg, once);
        QTest::failOnWarning(once);
    }

    SettingsFile settings = scratch.installed(Unset, home).file();
    rlimit saved {};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const rlimit none {0, saved.rlim_max};
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    QVERIFY(!fullDisk || ::setrlimit(RLIMIT_FSIZE, &none) == 0);
    settings.writeSetting(QStringLiteral("LampCount"), QStringLiteral("3"));
    settings.writeSetting(QStringLiteral("Group1"), QStringLiteral("Stage"));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    // The panel reads what it read before; nothing was written anywhere.
    QCOMPARE(settings.readSetting(QStringLiteral("LampCount")), QStringLiteral("12"));
    QCOMPARE(FileBytes::read(beside), seed);
    QCOMPARE(scratch.entries(), before);
}

void tst_SettingsLocation::buildTreeKeepsTheFileBeside()
{
    // This test runs from its build tree: a copy its user may write, symlinks resolved.
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    QCOMPARE(SettingsLocation::forThisExecutable().file().path(),
             executable.canonicalPath() + QStringLiteral("/Kelvaris.ini"));
}

QTEST_GUILESS_MAIN(tst_SettingsLocation)
#include "tst_settingslocation.moc"

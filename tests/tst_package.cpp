// The Debian package built from this build tree, unpacked into a folder an ordinary
// user cannot write, with an administrator's settings file beside the executable, and
// run as that user with a home of its own and no option: the installed panel keeps its
// settings in the user's configuration folder, readable by that user alone.

#include "filebytes.h"
#include "noserialportsenvironment.h"
#include "pseudoterminal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <chrono>
#include <pwd.h>
#include <unistd.h>

using namespace std::chrono_literals;

namespace {

constexpr std::chrono::milliseconds ToolTimeout = 120s;
constexpr std::chrono::milliseconds CommandTimeout = 20s;
constexpr std::chrono::milliseconds StopTimeout = 10s;
constexpr qsizetype CommandSize = 5;
const QFileDevice::Permissions EveryoneReads = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup
    | QFileDevice::ReadOther | QFileDevice::ExeOther;
const QFileDevice::Permissions EveryoneWrites = QFileDevice::ReadOwner | QFileDevice::WriteOwner
    | QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
    | QFileDevice::WriteOther;

QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(int(ToolTimeout.count())))
        return program + QStringLiteral(" did not finish");
    const QString output = QString::fromLocal8Bit(process.readAll());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QStringLiteral(" failed:\n") + output;
    return {};
}

} // namespace

class tst_Package : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void installedPanelKeepsSettingsPerUser();
};

void tst_Package::installedPanelKeepsSettingsPerUser()
{
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    const QString dpkgDeb = QStandardPaths::findExecutable(QStringLiteral("dpkg-deb"));
    const passwd *user = ::getpwnam("nobody");
    if (::geteuid() != 0 || setpriv.isEmpty() || !user)
        QSKIP("needs root, setpriv and the user nobody to start the panel as an ordinary user");
    if (dpkgDeb.isEmpty())
        QSKIP("needs dpkg-deb to unpack the package");
    const uid_t uid = user->pw_uid;
    const gid_t gid = user->pw_gid;

    // The package, made from this build tree the way scripts/package makes it; the
    // dependency list is left out, as the package is only unpacked here.
    QTemporaryDir work;
    QVERIFY(work.isValid());
    QVERIFY(QFile::setPermissions(work.path(), EveryoneReads));
    const QString packages = work.filePath(QStringLiteral("package"));
    const QString failure
        = run(QStringLiteral(KELVARIS_CPACK),
              {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("--config"),
               QStringLiteral(KELVARIS_CPACK_CONFIG), QStringLiteral("-B"), packages,
               QStringLiteral("-D"), QStringLiteral("CPACK_DEBIAN_PACKAGE_SHLIBDEPS=OFF")});
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QStringList debs
        = QDir(packages).entryList({QStringLiteral("kelvaris_*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);

    // Unpacked into a root the user cannot write.
    const QString root = work.filePath(QStringLiteral("root"));
    const QString unpack
        = run(dpkgDeb, {QStringLiteral("-x"), packages + u'/' + debs.first(), root});
    QVERIFY2(unpack.isEmpty(), qPrintable(unpack));
    const QString bin = root + QStringLiteral("/usr/bin");
    const QString panel = bin + QStringLiteral("/kelvaris");
    QVERIFY(QFileInfo(panel).isExecutable());

    PseudoTerminal first;
    PseudoTerminal second;
    QVERIFY(first.isValid() && second.isValid());
    for (const PseudoTerminal *line : {&first, &second})
        QVERIFY(QFile::setPermissions(line->devicePath(), EveryoneWrites));

    const QString admin = bin + QStringLiteral("/Kelvaris.ini");
    const QByteArray adminBytes = "; set by the administrator\n[Kelvaris]\nSerialDevice="
        + first.devicePath().toUtf8() + "\nGroup1=Stage\nCode1=5\nGroup2=\nCode2=\n";
    QVERIFY(FileBytes::write(admin, adminBytes));

    QTemporaryDir home;
    QVERIFY(home.isValid());
    QCOMPARE(::chown(QFile::encodeName(home.path()).constData(), uid, gid), 0);
    const QString systemConfig = work.filePath(QStringLiteral("xdg"));
    QVERIFY(QDir().mkpath(systemConfig));

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), systemConfig);
    environment = NoSerialPortsEnvironment::guarded(environment);
    const QStringList asUser {QStringLiteral("--reuid=%1").arg(uid),
                              QStringLiteral("--regid=%1").arg(gid),
                              QStringLiteral("--clear-groups"), panel};
    const QRegularExpression command(QStringLiteral("^L[0-9A-F]{3}\r$"));

    // Runs the installed panel until a lamp command arrives on the line.
    const auto commandOn = [&](PseudoTerminal &line) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(setpriv, asUser);
        const QByteArray received
            = process.waitForStarted() ? line.read(CommandSize, CommandTimeout) : QByteArray();
        process.terminate();
        if (!process.waitForFinished(int(StopTimeout.count()))) {
            process.kill();
            process.waitForFinished();
        }
        return QString::fromLatin1(received);
    };

    // First start: the administrator's file is read, and start-up's write of the lamp
    // count makes the user's own copy of it.
    QVERIFY2(command.match(commandOn(first)).hasMatch(), "no command from the first start");
    const QString perUser = home.filePath(QStringLiteral(".config/kelvaris/Kelvaris.ini"));
    QCOMPARE(FileBytes::read(perUser), adminBytes + "LampCount=8\n");
    QCOMPARE(QFileInfo(perUser).ownerId(), uid);
    QCOMPARE(QFile::permissions(perUser) & (QFileDevice::ReadGroup | QFileDevice::ReadOther),
             QFileDevice::Permissions());
    QCOMPARE(FileBytes::read(admin), adminBytes);
    QCOMPARE(
        QDir(bin).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name),
        (QStringList {QStringLiteral("Kelvaris.ini"), QStringLiteral("kelvaris"),
                      QStringLiteral("kelvaris-monitor")}));

    // Second start: the user's file, now naming the other line, is the one used.
    QByteArray userBytes = FileBytes::read(perUser);
    userBytes.replace(first.devicePath().toUtf8(), second.devicePath().toUtf8());
    QVERIFY(FileBytes::write(perUser, userBytes));
    QVERIFY2(command.match(commandOn(second)).hasMatch(), "no command from the second start");
    QCOMPARE(FileBytes::read(perUser), userBytes);
    QCOMPARE(FileBytes::read(admin), adminBytes);
}

QTEST_GUILESS_MAIN(tst_Package)
#include "tst_package.moc"

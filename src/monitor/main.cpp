#include "monitor/lampcommanddecoder.h"
#include "monitor/monitorexitcode.h"
#include "monitor/monitorsession.h"
#include "monitor/virtualcontroller.h"
#include "platform/productinfo.h"
#include "serial/linesettings.h"
#include "serialdevicereader.h"
#include "settings/panelsettings.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {
const QString Program(MonitorProgram);

const auto Description = QStringLiteral(
    "Shows what the Kelvaris panel sends on its serial line: each lamp's last level,\n"
    "the age of its last command, commands per second and the bytes that formed no\n"
    "lamp command (anything but 'L', one upper-case hex digit for the lamp, two for\n"
    "the level and a carriage return). Reads only; never writes to the line.\n"
    "\n"
    "  kelvaris-monitor /dev/ttyUSB0        watch a real serial line (%1 baud, 8N1)\n"
    "  kelvaris-monitor --virtual           be the lamp controller, without hardware\n"
    "  kelvaris-monitor --virtual --log     the same, one line per command");

const auto Epilog = QStringLiteral(
    "\n"
    "With --virtual the first line on standard output is \"Device: /dev/pts/N\";\n"
    "put that path into %2= in the panel's Kelvaris.ini. With a DEVICE,\n"
    "\"kelvaris-monitor: reading DEVICE ...\" on standard error says it is open.\n"
    "A device is held by the first program that opens it, so DEVICE cannot be the\n"
    "panel's own adapter: use a second adapter whose receive wire is tapped onto the\n"
    "line's transmit wire, or --virtual.\n"
    "\n"
    "--log lines (flushed one by one; <ms> is milliseconds since the monitor started,\n"
    "from a monotonic clock; lamp and level in decimal):\n"
    "  <ms> L<lamp> <level>   a lamp command, e.g. \"1520 L3 200\"\n"
    "  <ms> BAD <bytes>       the bytes since the previous line that formed no\n"
    "                         command, reported before the next command or when the\n"
    "                         line has been quiet for a moment. '!' to '~' stand for\n"
    "                         themselves; space, backslash and every other byte are\n"
    "                         written \\xHH, so \"xyz\" and a carriage return show as\n"
    "                         \"BAD xyz\\x0D\". A run longer than %1 bytes shows its\n"
    "                         first %1 and ends \"(<n> bytes in all)\".\n"
    "\n"
    "Exit codes:\n"
    "   0  ended by SIGINT (Ctrl+C) or SIGTERM\n"
    "  64  usage error\n"
    "  66  the device does not exist\n"
    "  69  the device is in use by another program\n"
    "  71  no pseudo-terminal could be created (--virtual)\n"
    "  74  the device could not be opened or read, or went away\n"
    "  77  permission denied on the device\n");

int usageError(const QString &message)
{
    const QByteArray text = (Program + QStringLiteral(": ") + message + QStringLiteral("\nTry '")
                             + Program + QStringLiteral(" --help'.\n"))
                                .toLocal8Bit();
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stderr);
    return static_cast<int>(MonitorExitCode::Usage);
}

void printLine(std::FILE *out, const QString &line)
{
    const QByteArray text = line.toLocal8Bit() + '\n';
    std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), out);
    std::fflush(out);
}
// What the command line asks for, or the status to exit with at once (after help,
// the version or a usage error).
struct Request
{
    std::optional<int> exitNow;
    QString device;
    bool virtualController = false;
    bool log = false;
};

Request parseArguments()
{
    QCommandLineParser parser;
    parser.setApplicationDescription(Description.arg(LineSettings::LampController.baudRate));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help and exit."));
    const QCommandLineOption versionOption(QStringLiteral("version"),
                                           QStringLiteral("Show the version and exit."));
    const QCommandLineOption virtualOption(
        QStringLiteral("virtual"),
        QStringLiteral("Create a pseudo-terminal pair and act as the lamp controller."));
    const QCommandLineOption logOption(
        QStringLiteral("log"),
        QStringLiteral("Print one line per command instead of the live view."));
    parser.addOptions({helpOption, versionOption, virtualOption, logOption});
    parser.addPositionalArgument(QStringLiteral("DEVICE"),
                                 QStringLiteral("The serial device to read, e.g. /dev/ttyUSB0."),
                                 QStringLiteral("[DEVICE]"));

    Request request;
    if (!parser.parse(QCoreApplication::arguments())) {
        request.exitNow = usageError(parser.errorText());
    } else if (parser.isSet(helpOption)) {
        printLine(stdout,
                  parser.helpText()
                      + Epilog.arg(QString::number(LampCommandDecoder::MaxKeptBadBytes),
                                   PanelSettings::SerialDeviceKey));
        request.exitNow = static_cast<int>(MonitorExitCode::Normal);
    } else if (parser.isSet(versionOption)) {
        printLine(stdout, Program + QLatin1Char(' ') + QCoreApplication::applicationVersion());
        request.exitNow = static_cast<int>(MonitorExitCode::Normal);
    }
    if (request.exitNow)
        return request;

    const QStringList devices = parser.positionalArguments();
    request.virtualController = parser.isSet(virtualOption);
    request.log = parser.isSet(logOption);
    if (request.virtualController && !devices.isEmpty())
        request.exitNow = usageError(QStringLiteral("give either DEVICE or --virtual, not both."));
    else if (!request.virtualController && devices.isEmpty())
        request.exitNow = usageError(QStringLiteral("no device given; name one or use --virtual."));
    else if (devices.size() > 1)
        request.exitNow = usageError(QStringLiteral("only one device at a time."));
    else if (!devices.isEmpty())
        request.device = devices.constFirst();
    return request;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(Program);
    QCoreApplication::setApplicationVersion(QLatin1String(ProductInfo::Version));

    const Request request = parseArguments();
    if (request.exitNow)
        return *request.exitNow;

    std::unique_ptr<ByteSource> source;
    if (request.virtualController)
        source = std::make_unique<VirtualController>();
    else
        source = std::make_unique<SerialDeviceReader>(request.device);
    if (!source->open()) {
        printLine(stderr, source->failureMessage());
        return static_cast<int>(source->failureCode());
    }
    const auto output
        = request.log ? MonitorSession::Output::Log : MonitorSession::Output::LiveView;
    MonitorSession session(*source, output, stdout, ::isatty(STDOUT_FILENO) == 1);
    QObject::connect(&session, &MonitorSession::finished, &app, &QCoreApplication::exit);
    // Announced only once the session handles SIGINT and SIGTERM: a script that reads
    // this line may stop the monitor straight away.
    if (request.virtualController) {
        printLine(stdout, QStringLiteral("Device: ") + source->deviceName());
    } else {
        // On stderr, so that --log output holds nothing but log lines.
        printLine(
            stderr,
            Program + QStringLiteral(": reading ") + source->deviceName()
                + QStringLiteral(" at %1 baud, 8N1").arg(LineSettings::LampController.baudRate));
    }
    session.start();
    return QCoreApplication::exec();
}

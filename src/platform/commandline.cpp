#include "platform/commandline.h"

#include "platform/productinfo.h"

#include <QCommandLineParser>
#include <QFile>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

const QLatin1String ProgramName("kelvaris");
const QLatin1String SettingsOption("settings");
const QLatin1String EndOfOptions("--");

// Qt's own options as QGuiApplication, QApplication and the X11 platform take them,
// with one dash or two. Those with a value take it as the next argument; the ones
// in EqualsOptions also as "-style=fusion".
constexpr std::array<const char *, 16> QtValueOptions = {"platform",
                                                         "platformpluginpath",
                                                         "platformtheme",
                                                         "plugin",
                                                         "qwindowgeometry",
                                                         "qwindowicon",
                                                         "qwindowtitle",
                                                         "session",
                                                         "display",
                                                         "geometry",
                                                         "title",
                                                         "icon",
                                                         "name",
                                                         "visual",
                                                         "style",
                                                         "stylesheet"};
constexpr std::array<const char *, 3> EqualsOptions = {"style", "stylesheet", "qmljsdebugger"};
constexpr std::array<const char *, 7> QtFlags
    = {"reverse", "widgetcount", "sync", "cmap", "nograb", "dograb", "testability"};

template<std::size_t N> bool isOneOf(const QString &name, const std::array<const char *, N> &names)
{
    for (const char *candidate : names) {
        if (name == QLatin1String(candidate))
            return true;
    }
    return false;
}

// Qt's option at arguments[i]: its name and how many arguments it takes up, the
// value included; no name and 0 when arguments[i] is not one of Qt's options.
std::pair<QString, qsizetype> qtOptionAt(const QStringList &arguments, qsizetype i)
{
    const QString &argument = arguments.at(i);
    if (!argument.startsWith(QLatin1Char('-')) || argument == EndOfOptions)
        return {};
    const QString name = argument.mid(argument.startsWith(EndOfOptions) ? 2 : 1);
    if (isOneOf(name, QtFlags))
        return {name, 1};
    if (isOneOf(name, QtValueOptions))
        return {name, i + 1 < arguments.size() ? 2 : 1};
    const QString beforeEquals = name.left(name.indexOf(QLatin1Char('=')));
    if (beforeEquals.size() < name.size() && isOneOf(beforeEquals, EqualsOptions))
        return {beforeEquals, 1};
    return {};
}

void print(std::FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

QStringList CommandLine::arguments(int argc, const char *const *argv)
{
    QStringList result;
    for (int i = 1; i < argc; ++i)
        result.append(QFile::decodeName(argv[i]));
    return result;
}

CommandLine CommandLine::parse(const QStringList &arguments)
{
    CommandLine result;
    QStringList ours {ProgramName};
    for (qsizetype i = 0; i < arguments.size();) {
        const auto [qtName, count] = qtOptionAt(arguments, i);
        if (count == 0) {
            ours.append(arguments.at(i++));
        } else {
            result.m_qtOptions.append(qtName);
            i += count;
        }
    }

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList {QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList {QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption settings(SettingsOption, QString(), QStringLiteral("FILE"));
    parser.addOptions({help, version, settings});

    auto fail = [&result](const QString &error) {
        result.m_action = Action::Fail;
        result.m_error = error;
        return result;
    };
    if (!parser.parse(ours))
        return fail(parser.errorText());
    if (!parser.positionalArguments().isEmpty())
        return fail(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    if (parser.isSet(help)) {
        result.m_action = Action::ShowHelp;
        return result;
    }
    if (parser.isSet(version)) {
        result.m_action = Action::ShowVersion;
        return result;
    }
    // The last one counts, as with most programs, so a wrapper may add its own.
    result.m_settingsPath = parser.value(settings);
    if (parser.isSet(settings) && result.m_settingsPath.isEmpty())
        return fail(QStringLiteral("--settings needs a file name."));
    return result;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: kelvaris [--settings FILE] [Qt options]\n"
        "Sets the brightness of up to 16 lamps on a Kelvaris lamp controller.\n"
        "\n"
        "  --settings FILE  read and write exactly FILE as the settings file\n"
        "  -h, --help       show this help and exit\n"
        "  -v, --version    show the version and exit\n"
        "\n"
        "Qt's own options, such as -platform, -style and -geometry, work as in every\n"
        "Qt program. See kelvaris(1).\n");
}

QString CommandLine::version()
{
    return QLatin1String(ProductInfo::Title) + QLatin1Char(' ')
        + QLatin1String(ProductInfo::Version);
}

std::optional<int> CommandLine::exitStatus() const
{
    switch (m_action) {
    case Action::Run:
        return std::nullopt;
    case Action::ShowHelp:
        print(stdout, usage());
        return EXIT_SUCCESS;
    case Action::ShowVersion:
        print(stdout, version() + QLatin1Char('\n'));
        return EXIT_SUCCESS;
    case Action::Fail:
        break;
    }
    print(stderr, QStringLiteral("kelvaris: %1\n").arg(m_error) + usage());
    return UsageError;
}

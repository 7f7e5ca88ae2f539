#include "app/CommandLine.h"

#include "common/AppInfo.h"

#include <QSet>

namespace {

// The options every Qt program takes (QGuiApplication, QApplication and the
// X11 ones), written with one dash or two. QApplication takes them off the
// command line itself; they are only let through here. The first set is
// followed by a value, unless it is joined with "=".
const QSet<QString> QtOptionsWithValue{QStringLiteral("platform"),
                                       QStringLiteral("platformpluginpath"),
                                       QStringLiteral("platformtheme"),
                                       QStringLiteral("plugin"),
                                       QStringLiteral("qwindowgeometry"),
                                       QStringLiteral("qwindowicon"),
                                       QStringLiteral("qwindowtitle"),
                                       QStringLiteral("display"),
                                       QStringLiteral("name"),
                                       QStringLiteral("session"),
                                       QStringLiteral("style"),
                                       QStringLiteral("stylesheet"),
                                       QStringLiteral("geometry"),
                                       QStringLiteral("title"),
                                       QStringLiteral("qmljsdebugger")};
const QSet<QString> QtFlags{QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                            QStringLiteral("dograb"), QStringLiteral("sync")};

// The name of a Qt option without its dashes and any "=value", or empty.
QString QtOptionName(const QString& argument)
{
    if (!argument.startsWith(QLatin1Char('-')))
        return {};
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    name = name.section(QLatin1Char('='), 0, 0);
    return QtOptionsWithValue.contains(name) || QtFlags.contains(name) ? name : QString();
}

// Whether the argument is the option, alone or joined with its value by "=".
bool IsOption(const QString& argument, const char* option)
{
    const QLatin1String name(option);
    return argument == name || (argument.startsWith(name) && argument.mid(name.size()).startsWith(QLatin1Char('=')));
}

// The value of the option at i, joined with "=" or the next argument (then
// taken: i moves on to it); empty when there is none. A device or an address
// is never an option: "--carrera --simulate" lacks one.
QString OptionValue(const QStringList& arguments, qsizetype& i)
{
    const QString& argument = arguments[i];
    if (argument.contains(QLatin1Char('=')))
        return argument.section(QLatin1Char('='), 1).trimmed();
    if (i + 1 < arguments.size() && !arguments[i + 1].startsWith(QLatin1Char('-')))
        return arguments[++i].trimmed();
    return {};
}

}  // namespace

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    TCommandLine line;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (const QString qtOption = QtOptionName(argument); !qtOption.isEmpty()) {
            // Its value is Qt's too: "-style fusion" must not make "fusion"
            // an unknown argument of ours.
            if (QtOptionsWithValue.contains(qtOption) && !argument.contains(QLatin1Char('=')))
                ++i;
            continue;
        }
        if (argument == QLatin1String("--simulate"))
            line.simulate = true;
        else if (IsOption(argument, "--carrera")) {
            const QString device = OptionValue(arguments, i);
            if (!device.isEmpty())
                line.carreraDevice = device;
            else if (line.error.isEmpty())
                line.error =
                    QStringLiteral("--carrera needs the Control Unit's serial device, e.g. --carrera /dev/ttyUSB0");
        } else if (IsOption(argument, "--lapcounter")) {
            const QString counter = OptionValue(arguments, i);
            if (!counter.isEmpty())
                line.lapCounter = counter;
            else if (line.error.isEmpty())
                line.error = QStringLiteral(
                    "--lapcounter needs the lap counter's serial device or network address, "
                    "e.g. --lapcounter /dev/ttyUSB0 or --lapcounter 192.168.1.50:5000");
        } else if (argument == QLatin1String("--data-folder"))
            line.dataFolder = true;
        else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            line.help = true;
        else if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            line.version = true;
        else if (line.error.isEmpty())
            line.error = QStringLiteral("unknown option: %1").arg(argument);
    }
    // One run, one track: which of the two was meant cannot be guessed.
    if (line.simulate && !line.carreraDevice.isEmpty() && line.error.isEmpty())
        line.error = QStringLiteral("--simulate and --carrera cannot be used together");
    if (!line.lapCounter.isEmpty() && (line.simulate || !line.carreraDevice.isEmpty()) && line.error.isEmpty())
        line.error = QStringLiteral("--lapcounter cannot be used together with --simulate or --carrera");
    return line;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: kobalap [--simulate | --carrera DEVICE | --lapcounter DEVICE|HOST:PORT]\n"
        "               [--data-folder]\n"
        "Race manager for slot-car tracks. Settings (KOBA.ini, KOBA.msk, kobalap.conf),\n"
        "the race database (data/), the sounds (sound/) and exports are taken from the\n"
        "working directory, or with --data-folder from the user's own data folder.\n"
        "\n"
        "  --simulate      run on a simulated track instead of the parallel port\n"
        "  --carrera DEVICE\n"
        "                  run on the Carrera Control Unit on the serial DEVICE\n"
        "                  (e.g. /dev/ttyUSB0), whatever interface is chosen in Settings\n"
        "  --lapcounter DEVICE|HOST:PORT\n"
        "                  run on a DIY lap counter on the serial DEVICE (e.g.\n"
        "                  /dev/ttyUSB0) or at the network address HOST:PORT (e.g.\n"
        "                  192.168.1.50:5000), with the outputs chosen in Settings\n"
        "  --data-folder   work in the user's data folder (~/.local/share/KOBA), made\n"
        "                  on the first start with the default sounds copied in\n"
        "  -h, --help      show this text and exit\n"
        "  -v, --version   show the version and exit\n"
        "\n"
        "Qt's own options (-platform, -style, -display, -reverse, -qwindowgeometry, ...)\n"
        "are taken as in every Qt program.\n");
}

QString VersionText() { return QStringLiteral("Kobalap %1\n").arg(QLatin1String(Kobalap::VersionNumber)); }

#include "app/CommandLine.h"

#include "common/AppInfo.h"

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    TCommandLine line;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--simulate"))
            line.simulate = true;
        else if (argument == QLatin1String("--data-folder"))
            line.dataFolder = true;
        else if (argument == QLatin1String("--help") || argument == QLatin1String("-h"))
            line.help = true;
        else if (argument == QLatin1String("--version") || argument == QLatin1String("-v"))
            line.version = true;
        else if (line.error.isEmpty())
            line.error = QStringLiteral("unknown option: %1").arg(argument);
    }
    return line;
}

QString UsageText()
{
    return QStringLiteral(
        "Usage: kobalap [--simulate] [--data-folder]\n"
        "Race manager for slot-car tracks. Settings (KOBA.ini, KOBA.msk, kobalap.conf),\n"
        "the race database (data/), the sounds (sound/) and exports are taken from the\n"
        "working directory, or with --data-folder from the user's own data folder.\n"
        "\n"
        "  --simulate      run on a simulated track instead of the parallel port\n"
        "  --data-folder   work in the user's data folder (~/.local/share/KOBA), made\n"
        "                  on the first start with the default sounds copied in\n"
        "  -h, --help      show this text and exit\n"
        "  -v, --version   show the version and exit\n");
}

QString VersionText() { return QStringLiteral("Kobalap %1\n").arg(QLatin1String(Kobalap::VersionNumber)); }

#include "app/CommandLine.h"

#include "common/AppInfo.h"

TCommandLine ParseCommandLine(const QStringList& arguments)
{
    TCommandLine line;
    for (const QString& argument : arguments) {
        if (argument == QLatin1String("--simulate"))
            line.simulate = true;
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
        "Usage: kobalap [--simulate]\n"
        "Race manager for slot-car tracks. Settings (KOBA.ini, KOBA.msk), the race\n"
        "database (data/) and the sounds (sound/) are taken from the working directory.\n"
        "\n"
        "  --simulate   run on a simulated track instead of the parallel port\n"
        "  --help       show this text and exit\n"
        "  --version    show the version and exit\n");
}

QString VersionText() { return QStringLiteral("Kobalap %1\n").arg(QLatin1String(Kobalap::VersionNumber)); }

// Serves the spectator page with a fixed feed document, so that the page can
// be looked at (or photographed by a headless browser) in any of its scenes
// without running a race. Serves on this computer only and runs until killed.
//
//   spectator_page_shot <document.json> <port>
//
// Prints the page's address once it is listening. A port of 0 takes any free
// one. scripts/spectator_page_shots.sh runs it once per sample document.
#include "spectator/SpectatorServer.h"

#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    bool portOk = false;
    const uint port = arguments.size() == 3 ? arguments.at(2).toUInt(&portOk) : 0;
    if (!portOk || port > 65535) {
        std::fprintf(stderr, "usage: spectator_page_shot <document.json> <port>\n");
        return 2;
    }
    QFile file(arguments.at(1));
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(file.fileName()), qPrintable(file.errorString()));
        return 1;
    }
    // The document goes out as it is, unchecked: the page must cope with
    // whatever it is sent, and a malformed sample shows how it does.
    const QByteArray document = file.readAll();

    TSpectatorServer server;
    server.SetFeedProvider([document] { return document; });
    QString error;
    if (!server.Listen(QHostAddress::LocalHost, quint16(port), error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    std::printf("http://127.0.0.1:%u/\n", unsigned(server.Port()));
    std::fflush(stdout);
    return app.exec();
}

#include "app/SpectatorStart.h"

#include "app/InfoPage.h"
#include "common/MessageBoxes.h"
#include "common/SpectatorChoice.h"
#include "spectator/SpectatorServer.h"

#include <QHostAddress>

std::unique_ptr<TSpectatorServer> StartSpectatorServer(const QString& workingDirectory, TInfoPage& info)
{
    const TSpectatorChoice choice = ReadSpectatorChoice(workingDirectory);
    if (!choice.Enabled)
        return nullptr;
    auto server = std::make_unique<TSpectatorServer>();
    // No race is published yet: the page shows an empty field.
    server->SetFeedProvider([] { return QByteArrayLiteral(R"({"drivers":[]})"); });
    QString error;
    if (!server->Listen(QHostAddress(choice.Address), choice.Port, error)) {
        const QString where = QStringLiteral("%1:%2").arg(choice.Address).arg(choice.Port);
        info.SetSpectatorText(QStringLiteral("Spectator page: not started at %1 (%2)").arg(where, error));
        Messages::Warning(QStringLiteral("The spectator page could not be started at %1.").arg(where), error);
        return nullptr;
    }
    info.SetSpectatorText(server->ListenText());
    return server;
}

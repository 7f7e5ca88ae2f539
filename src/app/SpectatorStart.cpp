#include "app/SpectatorStart.h"

#include "app/InfoPage.h"
#include "common/MessageBoxes.h"
#include "common/SpectatorChoice.h"
#include "spectator/SpectatorBoard.h"
#include "spectator/SpectatorJson.h"
#include "spectator/SpectatorServer.h"

#include <QHostAddress>

std::unique_ptr<TSpectatorServer> StartSpectatorServer(const QString& workingDirectory, TInfoPage& info,
                                                       TSpectatorBoard& board)
{
    const TSpectatorChoice choice = ReadSpectatorChoice(workingDirectory);
    if (!choice.Enabled)
        return nullptr;
    auto server = std::make_unique<TSpectatorServer>();
    // Read at the server's pace; a read that finds the race mid-publish keeps
    // the copy it had (before any race: an empty field).
    server->SetFeedProvider([&board] { return SpectatorDocument(board); });
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

#pragma once

#include <memory>

class QString;
class TInfoPage;
class TSpectatorBoard;
class TSpectatorServer;

// Starts the spectator page when kobalap.conf in the folder turns it on, and
// says on the Info page where phones find it. A port that cannot be had is a
// warning, not a reason to stop: the race matters more than its audience.
// The page shows what the board shows: the race as it is published, the
// next heat, the standings. Null when the page is off or could not start.
std::unique_ptr<TSpectatorServer> StartSpectatorServer(const QString& workingDirectory, TInfoPage& info,
                                                       TSpectatorBoard& board);

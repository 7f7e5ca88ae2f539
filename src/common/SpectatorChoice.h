#pragma once

#include <QString>

// Whether the spectator page is served, and where. It lives in kobalap.conf
// beside KOBA.ini, group [Spectator]. Off unless the club turns it on, and
// then only on this computer unless the club names an address: the page is
// meant for the club's own network, and a program that opens a port to every
// network by itself would be a poor guest.
struct TSpectatorChoice {
    bool Enabled = false;
    QString Address = QStringLiteral("127.0.0.1");  // IPv4; 0.0.0.0: every network
    quint16 Port = 8080;
};

// The choice stored in kobalap.conf in the given folder; a missing file or a
// value that makes no sense gives the default for that value.
TSpectatorChoice ReadSpectatorChoice(const QString& workingDirectory);
// Stores the choice, keeping whatever else the file holds. False when the
// file could not be written.
bool WriteSpectatorChoice(const QString& workingDirectory, const TSpectatorChoice& choice);

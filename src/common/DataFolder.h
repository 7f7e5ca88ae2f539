#pragma once

#include <QString>
#include <QStringList>

// Started from the desktop menu the program has no working directory worth
// the name (usually the home folder), so it keeps the club's settings,
// database, sounds and exports in a folder of the user's own instead. Nothing
// of the club's ever lives beside the installed program, so removing or
// upgrading the package cannot take it along.

// The user's data folder for this program (QStandardPaths::AppDataLocation,
// e.g. ~/.local/share/KOBA); the application name must be set before.
QString ClubDataFolder();

// Puts every sound of `defaultSounds` (*.wav) that `soundFolder` lacks into
// it, making the folder when needed. A sound the club put there itself is
// never replaced. Returns the names that could not be copied.
QStringList CopyDefaultSounds(const QString& defaultSounds, const QString& soundFolder);

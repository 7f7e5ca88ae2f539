#pragma once

#include <QString>

// Where the journal of the race running lives, and what becomes of it.
namespace RaceJournalFile {

// <workingDirectory>/journal/race.kjr: one race runs at a time.
QString PathIn(const QString& workingDirectory);
// Removes the journal and makes that durable: a crash after this finds no
// race to recover. True when there is none left.
bool Clear(const QString& path);
// Renames the journal aside (discarded-<date>-<time>.kjr beside it), never
// deleting it; returns the new path, or nothing when it could not be moved.
QString SetAside(const QString& path);

}  // namespace RaceJournalFile

#pragma once

#include <QString>

// Where the files that come with the program (logo, default sounds, manual)
// are found: beside the executable when it runs from its build folder or a
// Windows install, else in ../share/kobalap as `cmake --install` and the
// Debian package lay them out.

// The folder holding the program's own files; the executable's folder when
// neither place has them.
QString ProgramFilesFolder();
// `relative` (e.g. "help/index.html") inside that folder.
QString ProgramFile(const QString& relative);

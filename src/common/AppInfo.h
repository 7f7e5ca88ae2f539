#pragma once
#include <QString>

// Fixed texts that name the program on screen.
namespace Kobalap {
inline constexpr const char* ProgramTitle = "Kobalap";
inline constexpr const char* VersionCaption = " K.O.B.A. v2.2";
inline constexpr const char* ApplicationName = "KOBA";
inline constexpr const char* VersionNumber = "2.2";

// Caption of a sub-window: the version caption, "- " and the window's title.
inline QString SubCaption(const QString& title)
{
    return QString::fromLatin1(VersionCaption) + QStringLiteral("- ") + title;
}
}  // namespace Kobalap

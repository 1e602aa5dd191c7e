#pragma once

#include <QString>
#include <QStringList>

// The media files of a folder as the file navigator lists them, for
// anything that walks a folder in the navigator's order (next and
// previous file).
namespace mediafolder {

// Name filters for a mask such as "*.avi;*.mid;" that match in any case,
// so that "*.avi" also finds MOVIE.AVI.
QStringList nameFilters(const QString& mask);

// True when the file's name matches the mask (an empty mask matches all).
bool matches(const QString& fileName, const QString& mask);

// Orders names as the navigator's list does: naturally ("clip2" before
// "clip10") and without regard to case, by the user's locale; names that
// differ only in case by their exact text.
bool lessInListOrder(const QString& left, const QString& right);

// Full paths of the regular files (hidden ones too) in folder whose names
// match the mask, in the navigator's order.
QStringList filesIn(const QString& folder, const QString& mask);

// The media file after (or before) file in its folder, in the navigator's
// order, whether or not file itself matches the mask; empty at either end.
QString nextFile(const QString& file, const QString& mask);
QString previousFile(const QString& file, const QString& mask);

} // namespace mediafolder

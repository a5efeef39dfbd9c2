#pragma once

#include <QString>

class QFontMetrics;

// Cell texts as the list draws them.

// The tree form of a directory path: everything before the last "/" becomes
// blanks, one per character, so in a fixed-pitch font each name is indented by
// its parent's path ("docs/2008/mail" -> "         /mail"). Without a "/" the
// text is unchanged.
QString TreeForm(const QString& path);

// The longest start of `text`, in whole characters, that is at most `limit`
// pixels wide; the empty text when nothing fits.
QString FitCellText(const QFontMetrics& metrics, const QString& text, int limit);

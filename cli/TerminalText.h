#pragma once

#include <limits>
#include <string>
#include <string_view>

// Bidirectional embeddings, overrides and isolates (U+202A-U+202E,
// U+2066-U+2069): they print nothing but reorder what follows them.
bool IsBidiControl(wchar_t c);

// `text` as it may go to a terminal: every character of the locale's encoding
// that prints is kept, every other character and every stray byte becomes "?",
// as ls shows names, so that a name can neither send control sequences nor
// reorder the line. Cut before the character that would pass `columns` cells.
std::string ForTerminal(std::string_view text, int columns = std::numeric_limits<int>::max());

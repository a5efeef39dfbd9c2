#pragma once

// The simple case folding of a code point: letters of every script map to one
// form whatever their case ("Ä" and "ä" both to "ä"); everything else, and
// letters whose folding would take more than one code point, stays as it is.
// Independent of the process locale.
char32_t FoldCase(char32_t c);

#pragma once

#include <cstddef>
#include <string_view>

// One character of a text in the file system's bytes, read as UTF-8.
struct Utf8Char {
    char32_t code = 0; // the code point; for a stray byte, the byte's value
    size_t length = 1; // bytes it takes: 1 for ASCII and for a stray byte
    bool valid = true; // false: a byte that begins no well-formed sequence
};

// The character that starts at text[pos] (pos < text.size()). A byte that
// does not begin a well-formed sequence (a cut one, an overlong form, a
// surrogate, a value past U+10FFFF) stands for itself, so a name that is not
// UTF-8 still reads as one character per stray byte.
Utf8Char DecodeUtf8(std::string_view text, size_t pos);

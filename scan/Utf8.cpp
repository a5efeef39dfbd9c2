#include "scan/Utf8.h"

Utf8Char DecodeUtf8(std::string_view text, size_t pos) {
    const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = at(pos);
    if (lead < 0x80)
        return {lead, 1, true};
    const Utf8Char stray{lead, 1, false};
    size_t length = 0;
    char32_t c = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2, c = lead & 0x1F, least = 0x80;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3, c = lead & 0x0F, least = 0x800;
    else if (lead >= 0xF0 && lead <= 0xF4)
        length = 4, c = lead & 0x07, least = 0x10000;
    if (length == 0 || text.size() - pos < length)
        return stray;
    for (size_t k = 1; k < length; ++k) {
        if ((at(pos + k) & 0xC0) != 0x80)
            return stray;
        c = (c << 6) | (at(pos + k) & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return stray;
    return {c, length, true};
}

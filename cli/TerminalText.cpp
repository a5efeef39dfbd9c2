#include "cli/TerminalText.h"

#include <cwchar>

bool IsBidiControl(wchar_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string ForTerminal(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::mbstate_t state{};
    size_t pos = 0;
    while (pos < text.size()) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte >= 0x20 && byte < 0x7F) {
            out.push_back(text[pos++]); // printable ASCII, most names
            continue;
        }
        wchar_t wide = 0;
        size_t length = std::mbrtowc(&wide, text.data() + pos, text.size() - pos, &state);
        if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2) || length == 0) {
            state = std::mbstate_t{};
            out.push_back('?');
            ++pos;
            continue;
        }
        if (::wcwidth(wide) >= 0 && !IsBidiControl(wide))
            out.append(text.substr(pos, length));
        else
            out.push_back('?');
        pos += length;
    }
    return out;
}

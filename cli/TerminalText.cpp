#include "cli/TerminalText.h"

#include <cwchar>

bool IsBidiControl(wchar_t c) {
    return (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string ForTerminal(std::string_view text, int columns) {
    std::string out;
    out.reserve(text.size());
    std::mbstate_t state{};
    int used = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        size_t length = 1;
        int width = 1; // printable ASCII, most names
        if (byte < 0x20 || byte >= 0x7F) {
            wchar_t wide = 0;
            length = std::mbrtowc(&wide, text.data() + pos, text.size() - pos, &state);
            if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2) ||
                length == 0) {
                state = std::mbstate_t{};
                length = 1;
                width = -1;
            } else {
                width = IsBidiControl(wide) ? -1 : ::wcwidth(wide);
            }
        }
        const bool printable = width >= 0;
        const int cells = printable ? width : 1;
        if (cells > columns - used)
            break;
        if (printable)
            out.append(text.substr(pos, length));
        else
            out.push_back('?');
        used += cells;
        pos += length;
    }
    return out;
}

#include "scan/RowText.h"

#include "scan/CaseFold.h"
#include "scan/Utf8.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <ctime>
#include <string>

std::string FormatNumber(uint64_t value, int width, char thousandSep) {
    if (width <= 0)
        return {};
    std::string text(static_cast<size_t>(width), ' ');
    text.back() = '-';
    int pos = width - 1;
    int digits = 0;
    // Digits from the right; whatever does not fit falls off on the left.
    while (value != 0 && pos >= 0) {
        text[static_cast<size_t>(pos--)] = static_cast<char>('0' + value % 10);
        value /= 10;
        if (++digits % 3 == 0 && value != 0 && pos >= 0)
            text[static_cast<size_t>(pos--)] = thousandSep;
    }
    return text;
}

uint64_t ToUnit(uint64_t bytes, SizeUnit unit, bool roundUp) {
    const int shift = UnitSpec(unit).shift;
    if (shift == 0)
        return bytes;
    const uint64_t mask = (uint64_t{1} << shift) - 1;
    return (bytes >> shift) + (roundUp && (bytes & mask) != 0 ? 1 : 0);
}

std::string FormatDate(uint64_t newest, uint64_t bytes, const RowFormat& format) {
    if (bytes == 0)
        return "         -";
    if (newest == kFileTimeTooLate)
        return {};
    const time_t seconds = static_cast<time_t>(
        static_cast<int64_t>(newest / kFileTimeTicksPerSecond) - kFileTimeEpochSeconds);
    struct tm local {};
    if (localtime_r(&seconds, &local) == nullptr)
        return {};
    // Written by hand rather than with strftime: a row per directory makes
    // this one of the costlier steps of an expanded scan.
    char year[16];
    const auto yearEnd = std::to_chars(year, year + sizeof year, int64_t{local.tm_year} + 1900).ptr;
    const auto twoDigits = [](std::string& text, int value) {
        text += static_cast<char>('0' + value / 10);
        text += static_cast<char>('0' + value % 10);
    };
    std::string text;
    const char* form = DateForm(format.dateMode ? DateOrder::YearFirst : format.dateOrder);
    for (const char* p = form; *p != '\0'; ++p) {
        if (*p != '%' || p[1] == '\0') {
            text += *p;
            continue;
        }
        switch (*++p) {
        case 'Y':
            text.append(year, yearEnd);
            break;
        case 'm':
            twoDigits(text, local.tm_mon + 1);
            break;
        case 'd':
            twoDigits(text, local.tm_mday);
            break;
        default:
            break;
        }
    }
    return text;
}

DirRow MakeRow(std::string prefix, const DirStats& stats, const RowFormat& format) {
    DirRow row;
    std::string& name = row.text[ColDirectory];
    name = std::move(prefix);
    if (!name.empty() && name.back() == '/')
        name.pop_back();
    if (format.plain) {
        row.text[ColFiles] = std::to_string(stats.files);
        row.text[ColBytes] = std::to_string(stats.bytes);
        row.text[ColOccupied] = std::to_string(stats.occupied);
        RowFormat fixed = format;
        fixed.dateMode = true;
        if (stats.bytes != 0)
            row.text[ColDate] = FormatDate(stats.newest, stats.bytes, fixed);
        return row;
    }
    row.text[ColFiles] = FormatNumber(stats.files, 8, format.thousandSep);
    row.text[ColBytes] =
        FormatNumber(ToUnit(stats.bytes, format.byteMode, true), 16, format.thousandSep);
    row.text[ColOccupied] =
        FormatNumber(ToUnit(stats.occupied, format.byteMode, true), 16, format.thousandSep);
    row.text[ColDate] = FormatDate(stats.newest, stats.bytes, format);
    return row;
}

std::string TotalsLine(const DirStats& total, const RowFormat& format) {
    const char* unit = UnitSpec(format.byteMode).totalsWord;
    std::string line = "Total:  ";
    line += FormatNumber(total.files, 11, format.thousandSep);
    line += " files  ";
    line += FormatNumber(ToUnit(total.bytes, format.byteMode, false), 20, format.thousandSep);
    line += ' ';
    line += unit;
    line += "    ";
    line += FormatNumber(ToUnit(total.occupied, format.byteMode, false), 20, format.thousandSep);
    line += ' ';
    line += unit;
    line += " occupied\r\n";
    return line;
}

namespace {

bool IsContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The code point at text[pos], folded, and the position after it. A byte
// that does not begin a valid UTF-8 sequence stands for itself, unfolded.
char32_t NextFolded(const unsigned char* text, size_t size, size_t& pos) {
    const Utf8Char c = DecodeUtf8({reinterpret_cast<const char*>(text), size}, pos);
    pos += c.length;
    return c.valid ? FoldCase(c.code) : c.code;
}

// Compares from a position where both texts begin a character, folding case.
int CompareFolded(const unsigned char* l, size_t lSize, size_t lPos, const unsigned char* r,
                  size_t rSize, size_t rPos) {
    while (lPos < lSize && rPos < rSize) {
        const char32_t lc = NextFolded(l, lSize, lPos);
        const char32_t rc = NextFolded(r, rSize, rPos);
        if (lc != rc)
            return lc < rc ? -1 : 1;
    }
    return static_cast<int>(lPos < lSize) - static_cast<int>(rPos < rSize);
}

} // namespace

int CompareRows(const DirRow& a, const DirRow& b, int key) {
    const bool descending = key >= 10;
    const int column = descending ? key - 10 : key;
    if (column < 0 || column >= ColumnCount)
        return 0; // no such column: leave the order alone rather than read past the texts
    const std::string& left = descending ? b.text[column] : a.text[column];
    const std::string& right = descending ? a.text[column] : b.text[column];
    const size_t n = std::min(left.size(), right.size());
    const auto* l = reinterpret_cast<const unsigned char*>(left.data());
    const auto* r = reinterpret_cast<const unsigned char*>(right.data());
    // Sibling paths share long prefixes: skip equal bytes eight at a time and
    // fold case only where the bytes differ.
    size_t i = 0;
    while (i < n) {
        if (n - i >= sizeof(uint64_t)) {
            uint64_t lw, rw;
            std::memcpy(&lw, l + i, sizeof lw);
            std::memcpy(&rw, r + i, sizeof rw);
            if (lw == rw) {
                i += sizeof(uint64_t);
                continue;
            }
        }
        if (l[i] == r[i]) {
            ++i;
            continue;
        }
        if (l[i] < 0x80 && r[i] < 0x80) {
            const char32_t lc = FoldCase(l[i]), rc = FoldCase(r[i]);
            if (lc != rc)
                return lc < rc ? -1 : 1;
            ++i;
            continue;
        }
        // Back to where the character holding the first different byte
        // begins (the bytes before are the same in both texts), then compare
        // by folded code points from there on.
        size_t start = i;
        while (start > 0 && i - start < 3 && IsContinuation(l[start]))
            --start;
        if (IsContinuation(l[start]))
            start = i; // no lead byte close enough: the byte stands alone
        return CompareFolded(l, left.size(), start, r, right.size(), start);
    }
    return static_cast<int>(left.size() > n) - static_cast<int>(right.size() > n);
}

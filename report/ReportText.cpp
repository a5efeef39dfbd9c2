#include "report/ReportText.h"

#include "scan/RowText.h"
#include "scan/Utf8.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace {

constexpr std::string_view kProductName = "Spanmeter";
constexpr int kDashRun = 189; // the dash lines never grow beyond this
constexpr std::string_view kLineEnd = "\r\n";

// Bytes taken by the UTF-8 character at `pos`: 1 for an ASCII byte and for
// any byte that does not start a well-formed sequence, so a broken name is
// still cut and padded, one character per stray byte.
size_t CharLength(std::string_view text, size_t pos) {
    return DecodeUtf8(text, pos).length;
}

// The first `count` characters of `text` (all of it when it is shorter) and
// how many characters that is.
std::string_view CutChars(std::string_view text, int count, int& taken) {
    // Plain ASCII, the usual case, cuts by bytes.
    const size_t head = std::min(text.size(), static_cast<size_t>(count));
    if (std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(head),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        taken = static_cast<int>(head);
        return text.substr(0, head);
    }
    size_t pos = 0;
    taken = 0;
    while (taken < count && pos < text.size()) {
        pos += CharLength(text, pos);
        ++taken;
    }
    return text.substr(0, pos);
}

int CountChars(std::string_view text) {
    int count = 0;
    for (size_t pos = 0; pos < text.size(); pos += CharLength(text, pos))
        ++count;
    return count;
}

enum class Align { Left, Right };

// One field of `width` characters. A text is cut to its first `width`
// characters; a literal ("Total:", "Free:") is never cut. A negative width
// leaves no room for text: the field is |width| characters, left-aligned.
void AppendField(std::string& out, std::string_view text, int width, Align align,
                 bool literal = false) {
    int length = 0;
    std::string_view shown;
    if (literal) {
        shown = text;
        length = CountChars(text);
    } else if (width > 0) {
        shown = CutChars(text, width, length);
    }
    if (width < 0)
        align = Align::Left;
    const int fieldWidth = width < 0 ? -width : width;
    const size_t blanks = static_cast<size_t>(std::max(0, fieldWidth - length));
    if (align == Align::Right)
        out.append(blanks, ' ');
    out.append(shown);
    if (align == Align::Left)
        out.append(blanks, ' ');
}

// Five fields: the first left-aligned, the numbers and the date right-aligned.
void AppendLine(std::string& out, const std::array<std::string_view, ColumnCount>& texts,
                const std::array<int, ColumnCount>& widths, bool literalFirst = false) {
    for (int k = 0; k < ColumnCount; ++k) {
        AppendField(out, texts[k], widths[k], k == ColDirectory ? Align::Left : Align::Right,
                    k == ColDirectory && literalFirst);
    }
    out.append(kLineEnd);
}

// A total in the report's unit, rounded upwards like the rows, without its leading blanks.
std::string ReportNumber(uint64_t value, int width, char thousandSep) {
    std::string text = FormatNumber(value, width, thousandSep);
    text.erase(0, text.find_first_not_of(' '));
    return text;
}

} // namespace

int ReportColumnWidth(int pixelWidth, int underscoreWidth) {
    // A font that claims a zero-width underscore would divide by zero; count it as one pixel.
    const int u = std::max(1, underscoreWidth);
    return (pixelWidth - 1) / u - 1;
}

ReportInput MakeReportInput(const std::array<int, ColumnCount>& pixelWidths, int underscoreWidth,
                            const std::array<std::string, ColumnCount>& headers,
                            const std::vector<DirRow>& rows, const DirStats& total,
                            uint64_t freeBytes, const RowFormat& format) {
    ReportInput input;
    for (int k = 0; k < ColumnCount; ++k)
        input.widths[k] = ReportColumnWidth(pixelWidths[k], underscoreWidth);
    input.headers = headers;
    input.rows.reserve(rows.size());
    for (const DirRow& row : rows)
        input.rows.push_back(&row);
    input.total = total;
    input.freeBytes = freeBytes;
    input.byteMode = format.byteMode;
    input.thousandSep = format.thousandSep;
    return input;
}

std::string BuildReport(const ReportInput& input) {
    const auto& w = input.widths;
    int total = 0;
    for (int width : w)
        total += width;

    std::string out;
    out.reserve((input.rows.size() + 8) * (static_cast<size_t>(std::max(total, 0)) + 2));
    const size_t nameLength = kProductName.size();
    if (total > static_cast<int>(nameLength))
        out.append(static_cast<size_t>(total) - nameLength, ' ');
    out.append(kProductName);
    out.append(kLineEnd);
    out.append(kLineEnd);

    AppendLine(
        out,
        {input.headers[0], input.headers[1], input.headers[2], input.headers[3], input.headers[4]},
        w);

    std::string dashes(static_cast<size_t>(std::clamp(total, 0, kDashRun)), '-');
    dashes.append(kLineEnd);
    out.append(dashes);

    for (const DirRow* row : input.rows) {
        if (row == nullptr)
            continue;
        const auto& t = row->text;
        AppendLine(out, {t[0], t[1], t[2], t[3], t[4]}, w);
    }

    out.append(dashes);

    const char sep = input.thousandSep;
    const SizeUnit mode = input.byteMode;
    const std::string files = ReportNumber(input.total.files, 11, sep);
    const std::string bytes = ReportNumber(ToUnit(input.total.bytes, mode, true), 20, sep);
    const std::string occupied = ReportNumber(ToUnit(input.total.occupied, mode, true), 20, sep);
    const std::string freeBytes = ReportNumber(ToUnit(input.freeBytes, mode, true), 20, sep);
    AppendLine(out, {"Total:", files, bytes, occupied, ""}, w, true);
    AppendLine(out, {"Free:", "", "", freeBytes, ""}, w, true);
    return out;
}

std::string ReportLine(const std::array<std::string, ColumnCount>& texts,
                       const std::array<int, ColumnCount>& widths) {
    std::string out;
    AppendLine(out, {texts[0], texts[1], texts[2], texts[3], texts[4]}, widths);
    out.resize(out.size() - kLineEnd.size());
    return out;
}

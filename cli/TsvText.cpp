#include "cli/TsvText.h"

#include "scan/RowText.h"

std::string EscapeTsv(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\\')
            out += "\\\\";
        else
            out += c;
    }
    return out;
}

std::string TsvBlock(const MemoryList& list, std::string_view directory, bool nulEnds) {
    const char end = nulEnds ? '\0' : '\n';
    const auto name = [nulEnds](std::string_view text) {
        return nulEnds ? std::string(text) : EscapeTsv(text);
    };
    std::string out = "#directory\t" + name(directory) + end;
    out += "#occupied\tbytes\tfiles\tdate\tpath";
    out += end;
    for (const DirRow& row : list.rows) {
        out += row.text[ColOccupied] + '\t' + row.text[ColBytes] + '\t' + row.text[ColFiles] +
               '\t' + row.text[ColDate] + '\t';
        out += row.text[ColDirectory].empty() ? std::string(".") : name(row.text[ColDirectory]);
        out += end;
    }
    RowFormat plain;
    plain.plain = true;
    const DirRow total = MakeRow({}, list.total, plain);
    out += "#total\t" + total.text[ColOccupied] + '\t' + total.text[ColBytes] + '\t' +
           total.text[ColFiles] + '\t' + total.text[ColDate];
    out += end;
    return out;
}

#include "cli/CommandLine.h"

#include <charconv>
#include <string>
#include <string_view>
#include <vector>

namespace {

bool ParseUnit(std::string_view value, SizeUnit& byteMode) {
    for (const SizeUnitSpec& unit : kSizeUnits) {
        if (value == unit.word) {
            byteMode = unit.unit;
            return true;
        }
    }
    return false;
}

bool ParseThreads(std::string_view value, int& threads) {
    int number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (error != std::errc() || end != value.data() + value.size() || number < 1 ||
        number > kMaxScanThreads)
        return false;
    threads = number;
    return true;
}

} // namespace

// The usage text names the limits.
static_assert(kMaxScanThreads == 64 && kDefaultScanThreads == 8);

const char* CommandLine::Usage() {
    return "Usage: spanmeter-report [-e|--expanded] [-u bytes|kilobytes|megabytes]\n"
           "                        [-d|--fixed-date] [-j N|--threads N] [--tsv [-0]] [DIR...]\n"
           "       spanmeter-report --json FILE [-j N|--threads N] [DIR]\n"
           "Writes the disk-usage report of each DIR (default: the current directory) to\n"
           "standard output, lines ended by CR LF.\n"
           "\n"
           "  -e, --expanded     a row for every directory (default: the directory's own\n"
           "                     files on one row, each subdirectory with all below it on one)\n"
           "  -u UNIT            sizes in bytes, kilobytes or megabytes (default: bytes)\n"
           "  -d, --fixed-date   dates as year-month-day whatever the locale\n"
           "  -j, --threads N    walk with 1 to 64 threads (default: 8)\n"
           "      --tsv          for scripts: a line per row, tab-separated, ended by LF:\n"
           "                     occupied bytes, bytes, files, date (YYYY-MM-DD), path;\n"
           "                     tab, newline and backslash in names as \\t, \\n, \\\\\n"
           "  -0                 with --tsv: lines end with NUL, names as they are\n"
           "      --json FILE    the whole tree in ncdu's export format to FILE (- for\n"
           "                     standard output), for ncdu -f and gdu -f\n"
           "  -h, --help         show this help and exit\n"
           "      --version      show the version and exit\n"
           "\n"
           "\n"
           "Example: the ten directories that occupy most, largest last:\n"
           "  spanmeter-report --tsv -e . | sort -n | tail\n"
           "\n"
           "Exit status: 0 when the whole tree was read and the report written, 1 when\n"
           "some directory could not be read, memory ran out or the report could not be\n"
           "written, 2 when the command line is wrong or DIR cannot be entered; with\n"
           "several directories, the worst of them.\n";
}

CommandLine CommandLine::Parse(int argc, const char* const argv[]) {
    CommandLine line;
    bool optionsEnded = false;
    const auto fail = [&line](std::string message) {
        line.action = Action::Error;
        line.error = std::move(message);
        return line;
    };
    std::vector<std::string> directories;

    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            directories.emplace_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg.starts_with("--")) {
            std::string_view name = arg;
            std::string_view value;
            const bool hasValue = arg.find('=') != std::string_view::npos;
            if (hasValue) {
                name = arg.substr(0, arg.find('='));
                value = arg.substr(arg.find('=') + 1);
            }
            if (name == "--help" && !hasValue)
                line.action = Action::Help;
            else if (name == "--version" && !hasValue)
                line.action = Action::Version;
            else if (name == "--expanded" && !hasValue)
                line.expanded = true;
            else if (name == "--fixed-date" && !hasValue)
                line.fixedDate = true;
            else if (name == "--tsv" && !hasValue)
                line.tsv = true;
            else if (name == "--json") {
                if (!hasValue) {
                    if (i + 1 >= argc)
                        return fail("option --json needs a file");
                    value = argv[++i];
                }
                if (value.empty())
                    return fail("option --json needs a file");
                line.jsonFile = std::string(value);
            } else if (name == "--threads") {
                if (!hasValue) {
                    if (i + 1 >= argc)
                        return fail("option --threads needs a value");
                    value = argv[++i];
                }
                if (!ParseThreads(value, line.threads))
                    return fail("--threads takes 1 to 64, not '" + std::string(value) + "'");
            } else {
                return fail("unknown option: " + std::string(arg));
            }
            continue;
        }
        // A cluster of short options ("-ed"); -u and -j take the rest or the next argument.
        for (size_t k = 1; k < arg.size(); ++k) {
            const char option = arg[k];
            if (option == 'e') {
                line.expanded = true;
            } else if (option == 'd') {
                line.fixedDate = true;
            } else if (option == '0') {
                line.nulEnds = true;
            } else if (option == 'h') {
                line.action = Action::Help;
            } else if (option == 'u' || option == 'j') {
                std::string_view value = arg.substr(k + 1);
                if (value.empty()) {
                    if (i + 1 >= argc)
                        return fail(std::string("option -") + option + " needs a value");
                    value = argv[++i];
                }
                if (option == 'u' && !ParseUnit(value, line.byteMode))
                    return fail("-u takes bytes, kilobytes or megabytes, not '" +
                                std::string(value) + "'");
                if (option == 'j' && !ParseThreads(value, line.threads))
                    return fail("-j takes 1 to 64, not '" + std::string(value) + "'");
                break;
            } else {
                return fail(std::string("unknown option: -") + option);
            }
        }
    }
    if (!directories.empty())
        line.directories = std::move(directories);
    if (line.action != Action::Report)
        return line;
    if (line.nulEnds && !line.tsv)
        return fail("-0 goes with --tsv");
    if (!line.jsonFile.empty() && line.tsv)
        return fail("--json and --tsv exclude each other");
    // One export file holds one tree.
    if (!line.jsonFile.empty() && line.directories.size() > 1)
        return fail("--json takes one directory");
    return line;
}

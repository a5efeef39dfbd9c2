// spanmeter-report: scans directories like the window does and writes the
// fixed-width text report that the window copies to the clipboard, the rows
// for scripts, or the whole tree in ncdu's export format.
#include "cli/CommandLine.h"
#include "cli/NcduExport.h"
#include "cli/ProgressLine.h"
#include "cli/TerminalText.h"
#include "cli/TsvText.h"
#include "report/ReportText.h"
#include "scan/Columns.h"
#include "scan/LocaleInfo.h"
#include "scan/MemoryList.h"
#include "scan/ScanWorker.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <string>
#include <unistd.h>

namespace {

// The report is laid out for the list's initial column widths in a font whose
// underscore is 7 pixels wide: 43, 10, 16, 16 and 13 characters.
constexpr int kUnderscorePixels = 7;

// Nothing here stops a scan, so it completes or memory runs out; the list then
// holds the rows read until then.
ScanOutcome Scan(const ScanSettings& settings, MemoryList& list, RowSink* sink) {
    ProgressLine progress(STDERR_FILENO);
    ScanWorker worker;
    worker.SetRowSink(sink);
    worker.StartScan(settings);
    // Rows pile up in the scan's feed; they are taken over whenever the
    // progress line is due and once more at the end.
    while (!worker.Drain(list)) {
        progress.Show(list.status);
        worker.WaitForEnd(std::chrono::milliseconds(100));
    }
    return worker.Outcome();
}

std::string CurrentPath() {
    std::string path(4096, '\0');
    while (::getcwd(path.data(), path.size()) == nullptr) {
        if (errno != ERANGE || path.size() > (1u << 20))
            return ".";
        path.resize(path.size() * 2);
    }
    path.resize(path.find('\0'));
    return path;
}

bool WriteOut(const std::string& bytes, const char* what) {
    // Binary: the CR LF line ends go out as they are.
    const size_t written = std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    if (written != bytes.size() || std::fflush(stdout) != 0) {
        const int error = errno;
        std::fprintf(stderr, "spanmeter-report: cannot write the %s: %s\n", what,
                     std::strerror(error));
        return false;
    }
    return true;
}

// The window's list as it starts: its initial columns, and its titles for this scan.
ReportInput MakeInput(const MemoryList& list, const RowFormat& format) {
    std::array<int, ColumnCount> pixelWidths{};
    std::array<std::string, ColumnCount> headers;
    for (int k = 0; k < ColumnCount; ++k) {
        pixelWidths[k] = kColumns[k].initialWidth;
        headers[k] = kColumns[k].title;
    }
    headers[ColDirectory] = list.title;
    headers[ColBytes] = UnitSpec(format.byteMode).title;
    return MakeReportInput(pixelWidths, kUnderscorePixels, headers, list.rows, list.total,
                           list.freeBytes, format);
}

// The export's stream, and whether it is ours to close.
struct ExportFile {
    std::FILE* file = nullptr;
    bool owned = false;
};

// Opens the export named from the starting directory `origin` (stdout for
// "-"), once the directory to scan has been entered, so that a directory that
// cannot be entered leaves an earlier export under that name as it was.
// Nothing for an empty name; a failure is told on stderr.
ExportFile OpenExport(const std::string& name, int origin) {
    if (name.empty())
        return {};
    if (name == "-")
        return {stdout, false};
    // Relative to the scanned directory it would land in the tree we only read.
    if (origin < 0 && !name.starts_with('/')) {
        std::fprintf(stderr,
                     "spanmeter-report: cannot create '%s': the starting directory cannot be "
                     "opened\n",
                     ForTerminal(name).c_str());
        return {};
    }
    const int fd = ::openat(origin, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    std::FILE* file = fd < 0 ? nullptr : ::fdopen(fd, "wb");
    if (file == nullptr) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        std::fprintf(stderr, "spanmeter-report: cannot create '%s': %s\n",
                     ForTerminal(name).c_str(), std::strerror(error));
    }
    return {file, file != nullptr};
}

// Closes an export of ours; the errno value when that failed, else 0.
int CloseExport(const ExportFile& json) {
    if (json.owned && std::fclose(json.file) != 0)
        return errno;
    return 0;
}

// One directory: its report, its rows or its export. The exit status.
int ReportDirectory(const CommandLine& line, const std::string& directory, bool several,
                    int origin) {
    // The scan addresses everything relative to the current directory, as the window does.
    if (::chdir(directory.c_str()) != 0) {
        const int error = errno;
        std::fprintf(stderr, "spanmeter-report: cannot enter '%s': %s\n",
                     ForTerminal(directory).c_str(), std::strerror(error));
        return 2;
    }
    const ExportFile json = OpenExport(line.jsonFile, origin);
    if (!line.jsonFile.empty() && json.file == nullptr)
        return 2;

    ScanSettings settings;
    // The export holds every directory: it walks as the expanded view does.
    settings.compressed = !line.expanded && json.file == nullptr;
    settings.threads = line.threads;
    settings.format.byteMode = line.byteMode;
    settings.format.dateMode = line.fixedDate;
    settings.format.thousandSep = LocaleThousandSep();
    settings.format.dateOrder = LocaleDateOrder();
    settings.format.plain = line.tsv;

    std::unique_ptr<NcduExport> sink;
    if (json.file != nullptr)
        sink = std::make_unique<NcduExport>(json.file, CurrentPath());
    MemoryList list;
    const bool complete = Scan(settings, list, sink.get()) == ScanOutcome::Completed;
    // Such a directory counts as empty in the report, as in the window; here
    // it is named, as du does. With several directories, below the one given.
    for (const auto& [name, error] : list.unreadable) {
        std::string shown = name.empty() ? directory : name;
        if (several && !name.empty())
            shown = directory + (directory.ends_with('/') ? "" : "/") + name;
        std::fprintf(stderr, "spanmeter-report: cannot read '%s': %s\n", ForTerminal(shown).c_str(),
                     std::strerror(error));
    }
    if (!complete)
        std::fprintf(stderr,
                     "spanmeter-report: out of memory; the %s holds only the "
                     "directories read until then\n",
                     json.file != nullptr ? "export" : "report");
    const int status = complete && list.unreadable.empty() ? 0 : 1;
    if (sink) {
        const bool written = sink->Finish();
        const int closed = CloseExport(json);
        const int error = written ? closed : sink->Error();
        if (error != 0) {
            std::fprintf(stderr, "spanmeter-report: cannot write '%s': %s\n",
                         ForTerminal(line.jsonFile).c_str(), std::strerror(error));
            return 1;
        }
        return status;
    }

    // On a terminal a name must not act on it; into a file or a pipe the bytes stay.
    std::string shownDirectory = directory;
    if (::isatty(STDOUT_FILENO) == 1) {
        list.title = ForTerminal(list.title);
        shownDirectory = ForTerminal(directory);
        for (DirRow& row : list.rows)
            row.text[ColDirectory] = ForTerminal(row.text[ColDirectory]);
    }
    std::string text;
    try {
        text = line.tsv ? TsvBlock(list, shownDirectory, line.nulEnds)
                        : BuildReport(MakeInput(list, settings.format));
    } catch (const std::bad_alloc&) {
        std::fputs("spanmeter-report: out of memory for the report\n", stderr);
        return 1;
    }
    if (!WriteOut(text, line.tsv ? "rows" : "report"))
        return 1;
    return status;
}

} // namespace

int main(int argc, char* argv[]) {
    std::setlocale(LC_ALL, "");

    const CommandLine line = CommandLine::Parse(argc, argv);
    if (line.action == CommandLine::Action::Help) {
        std::fputs(CommandLine::Usage(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (line.action == CommandLine::Action::Version) {
        std::fputs("spanmeter-report " SPANMETER_VERSION "\n", stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (line.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "spanmeter-report: %s\n", ForTerminal(line.error).c_str());
        std::fputs(CommandLine::Usage(), stderr);
        return 2;
    }

    // Each directory, and the export file, is named from where we were started.
    const int origin = ::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC);
    int worst = 0;
    for (size_t i = 0; i < line.directories.size(); ++i) {
        if (i > 0 && (origin < 0 || ::fchdir(origin) != 0)) {
            std::fputs("spanmeter-report: cannot return to the starting directory\n", stderr);
            return 2;
        }
        worst = std::max(
            worst, ReportDirectory(line, line.directories[i], line.directories.size() > 1, origin));
    }
    return worst;
}

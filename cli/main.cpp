// spanmeter-report: scans a directory like the window does and writes the
// fixed-width text report that the window copies to the clipboard.
#include "cli/CommandLine.h"
#include "cli/ProgressLine.h"
#include "cli/TerminalText.h"
#include "report/ReportText.h"
#include "scan/Columns.h"
#include "scan/LocaleInfo.h"
#include "scan/MemoryList.h"
#include "scan/ScanWorker.h"

#include <cerrno>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>

namespace {

// The report is laid out for the list's initial column widths in a font whose
// underscore is 7 pixels wide: 43, 10, 16, 16 and 13 characters.
constexpr int kUnderscorePixels = 7;

// False when memory ran out: the list then holds the rows read until then.
bool Scan(const ScanSettings& settings, MemoryList& list) {
    ProgressLine progress(STDERR_FILENO);
    ScanWorker worker;
    worker.StartScan(settings);
    // Rows pile up in the scan's feed; they are taken over whenever the
    // progress line is due and once more at the end.
    while (!worker.Drain(list)) {
        progress.Show(list.status);
        worker.WaitForEnd(std::chrono::milliseconds(100));
    }
    // Nothing here stops a scan but a failed allocation.
    return list.status != "Operation interrupted";
}

ReportInput MakeInput(const MemoryList& list, const RowFormat& format) {
    ReportInput input;
    for (int k = 0; k < ColumnCount; ++k) {
        input.widths[k] = ReportColumnWidth(kColumns[k].initialWidth, kUnderscorePixels);
        input.headers[k] = kColumns[k].title;
    }
    input.headers[ColDirectory] = list.title;
    input.headers[ColBytes] = UnitTitle(format.byteMode);
    input.rows.reserve(list.rows.size());
    for (const DirRow& row : list.rows)
        input.rows.push_back(&row);
    input.total = list.total;
    input.freeBytes = list.freeBytes;
    input.byteMode = format.byteMode;
    input.thousandSep = format.thousandSep;
    return input;
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
        std::fputs("Spanmeter " SPANMETER_VERSION "\n", stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (line.action == CommandLine::Action::Error) {
        std::fprintf(stderr, "spanmeter-report: %s\n", ForTerminal(line.error).c_str());
        std::fputs(CommandLine::Usage(), stderr);
        return 2;
    }

    // The scan addresses everything relative to the current directory, as the window does.
    if (::chdir(line.directory.c_str()) != 0) {
        const int error = errno;
        std::fprintf(stderr, "spanmeter-report: cannot enter '%s': %s\n",
                     ForTerminal(line.directory).c_str(), std::strerror(error));
        return 2;
    }

    ScanSettings settings;
    settings.compressed = line.expanded ? 0 : 1;
    settings.threads = line.threads;
    settings.format.byteMode = line.byteMode;
    settings.format.dateMode = line.fixedDate ? 1 : 0;
    settings.format.thousandSep = LocaleThousandSep();
    settings.format.dateOrder = LocaleDateOrder();

    MemoryList list;
    const bool complete = Scan(settings, list);
    // Such a directory counts as empty in the report, as in the window; here
    // it is named, as du does.
    for (const auto& [name, error] : list.unreadable)
        std::fprintf(stderr, "spanmeter-report: cannot read '%s': %s\n",
                     ForTerminal(name.empty() ? line.directory : name).c_str(),
                     std::strerror(error));
    if (!complete)
        std::fprintf(stderr, "spanmeter-report: out of memory; the report holds only the "
                             "directories read until then\n");
    // On a terminal a name must not act on it; into a file or a pipe the bytes stay.
    if (::isatty(STDOUT_FILENO) == 1) {
        list.title = ForTerminal(list.title);
        for (DirRow& row : list.rows)
            row.text[ColDirectory] = ForTerminal(row.text[ColDirectory]);
    }
    std::string report;
    try {
        report = BuildReport(MakeInput(list, settings.format));
    } catch (const std::bad_alloc&) {
        std::fputs("spanmeter-report: out of memory for the report\n", stderr);
        return 1;
    }

    // Binary: the CR LF line ends go out as they are.
    const size_t written = std::fwrite(report.data(), 1, report.size(), stdout);
    if (written != report.size() || std::fflush(stdout) != 0) {
        const int error = errno;
        std::fprintf(stderr, "spanmeter-report: cannot write the report: %s\n",
                     std::strerror(error));
        return 1;
    }
    return complete && list.unreadable.empty() ? 0 : 1;
}

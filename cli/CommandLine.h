#pragma once

#include "scan/RowFormat.h"

#include <string>
#include <vector>

// What the command line of spanmeter-report asks for.
struct CommandLine {
    enum class Action { Report, Help, Version, Error };

    Action action = Action::Report;
    std::string error; // why the command line was refused, for Action::Error
    bool expanded = false;
    SizeUnit byteMode = SizeUnit::Bytes;
    bool fixedDate = false;
    int threads = kDefaultScanThreads;
    bool tsv = false;     // tab-separated rows instead of the report
    bool nulEnds = false; // with tsv: lines end with NUL, nothing escaped
    std::string jsonFile; // the whole tree in ncdu's export format; "-" is stdout
    std::vector<std::string> directories{"."};

    static CommandLine Parse(int argc, const char* const argv[]);
    static const char* Usage();
};

#pragma once

#include "scan/RowFormat.h"

#include <string>

// What the command line of spanmeter-report asks for.
struct CommandLine {
    enum class Action { Report, Help, Version, Error };

    Action action = Action::Report;
    std::string error; // why the command line was refused, for Action::Error
    bool expanded = false;
    int byteMode = 0; // 0 bytes, 1 kilobytes, 2 megabytes
    bool fixedDate = false;
    int threads = kDefaultScanThreads;
    std::string directory = ".";

    static CommandLine Parse(int argc, const char* const argv[]);
    static const char* Usage();
};

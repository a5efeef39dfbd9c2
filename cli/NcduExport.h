#pragma once

#include "scan/RowSink.h"

#include <cstdio>
#include <string>
#include <string_view>

// Writes a scan as ncdu's export format (version 1.2, as ncdu -o and gdu -o
// write it and ncdu -f and gdu -f read it) while the walk goes on: each
// directory is an array of its own entry and then its files and
// subdirectories. Rows arrive in the order of a walk by one thread, each
// before its subdirectories, so the writer needs to know only how many
// directories are open: its memory does not grow with the tree.
//
// Directories count nothing of their own, as in the report, so a reader's
// totals are the report's. A mount point of another file system is an entry
// marked "othfs"; a directory that could not be read wholly carries
// "read_error"; a file with several links its inode and link count, so that
// a reader counts it once.
class NcduExport : public RowSink {
public:
    // `rootName` names the start directory (its full path). Writes the header.
    NcduExport(std::FILE* out, std::string rootName);
    NcduExport(const NcduExport&) = delete;
    NcduExport& operator=(const NcduExport&) = delete;

    void Directory(const std::string& prefix, const DirStats& stats,
                   const DirListing* listing) override;
    // Closes what is open and flushes; false when something could not be written.
    bool Finish();
    // The errno value of the first failed write.
    int Error() const { return m_error; }

private:
    void Entry(std::string_view name, uint64_t asize, uint64_t dsize, bool haveMtime,
               int64_t mtime);
    void String(std::string_view text);
    void Number(uint64_t value);
    void Flush();

    std::FILE* m_out;
    std::string m_rootName;
    std::string m_buffer;
    size_t m_open = 0; // directories whose array is open
    int m_error = 0;
};

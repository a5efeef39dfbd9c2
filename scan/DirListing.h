#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <sys/stat.h>

// A directory's own files, each with what an export of the whole tree records,
// and what is known of the directory itself. Made by the walk only when an
// export asks for it; it travels with the directory's row, so it is packed:
// a fixed record and the name per file.
class DirListing {
public:
    struct File {
        std::string_view name;
        uint64_t size = 0;
        uint64_t occupied = 0;
        uint64_t ino = 0;
        int64_t mtime = 0;
        uint32_t nlink = 1;
        bool regular = true;
        bool unreadable = false; // listed but not examinable
    };

    void AddFile(const char* name, const struct stat& st, uint64_t occupied);
    void AddUnreadable(const char* name);
    // Steps through the files in the order they were added: starts at
    // position 0; false after the last one.
    bool Next(size_t& pos, File& file) const;
    size_t Bytes() const { return m_data.size(); }

    // The directory itself.
    bool haveMtime = false;
    int64_t mtime = 0;
    bool readError = false;       // it, or some of its entries, could not be read
    bool otherFileSystem = false; // a mount point, not entered

private:
    void Add(const char* name, const File& file);

    std::string m_data;
};

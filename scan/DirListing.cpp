#include "scan/DirListing.h"

#include <cstring>

namespace {

struct Record {
    uint64_t size;
    uint64_t occupied;
    uint64_t ino;
    int64_t mtime;
    uint32_t nlink;
    uint16_t nameLength;
    uint8_t regular;
    uint8_t unreadable;
};

} // namespace

void DirListing::Add(const char* name, const File& file) {
    const size_t length = std::strlen(name);
    const Record record{file.size,    file.occupied,  file.ino,
                        file.mtime,   file.nlink,     static_cast<uint16_t>(length),
                        file.regular, file.unreadable};
    m_data.append(reinterpret_cast<const char*>(&record), sizeof record);
    m_data.append(name, length);
}

void DirListing::AddFile(const char* name, const struct stat& st, uint64_t occupied) {
    File file;
    file.size = st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0;
    file.occupied = occupied;
    file.ino = st.st_ino;
    file.mtime = st.st_mtim.tv_sec;
    file.nlink = static_cast<uint32_t>(st.st_nlink);
    file.regular = S_ISREG(st.st_mode);
    Add(name, file);
}

void DirListing::AddUnreadable(const char* name) {
    File file;
    file.unreadable = true;
    Add(name, file);
}

bool DirListing::Next(size_t& pos, File& file) const {
    if (pos + sizeof(Record) > m_data.size())
        return false;
    Record record;
    std::memcpy(&record, m_data.data() + pos, sizeof record);
    pos += sizeof record;
    file.name = std::string_view(m_data).substr(pos, record.nameLength);
    pos += record.nameLength;
    file.size = record.size;
    file.occupied = record.occupied;
    file.ino = record.ino;
    file.mtime = record.mtime;
    file.nlink = record.nlink;
    file.regular = record.regular != 0;
    file.unreadable = record.unreadable != 0;
    return true;
}

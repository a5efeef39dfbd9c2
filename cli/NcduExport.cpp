#include "cli/NcduExport.h"

#include <cerrno>
#include <charconv>
#include <ctime>
#include <utility>

namespace {
// Written out in pieces of about this size.
constexpr size_t kFlushBytes = 16 * 1024;
} // namespace

NcduExport::NcduExport(std::FILE* out, std::string rootName)
    : m_out(out), m_rootName(std::move(rootName)) {
    m_buffer.reserve(kFlushBytes + 4096);
    m_buffer += "[1,2,{\"progname\":\"spanmeter-report\",\"progver\":\"" SPANMETER_VERSION
                "\",\"timestamp\":";
    const std::time_t now = std::time(nullptr);
    Number(now > 0 ? static_cast<uint64_t>(now) : 0);
    m_buffer += '}';
}

void NcduExport::Directory(const std::string& prefix, const DirStats& stats,
                           const DirListing* listing) {
    (void)stats;
    // A row's depth is the number of names in its prefix; those open at its
    // depth or deeper are done.
    size_t depth = 0;
    for (const char c : prefix)
        depth += c == '/' ? 1 : 0;
    for (; m_open > depth; --m_open)
        m_buffer += ']';

    std::string_view name = m_rootName;
    if (depth > 0) {
        name = prefix;
        name.remove_suffix(1);
        name = name.substr(name.rfind('/') + 1);
    }
    m_buffer += ",\n[";
    Entry(name, 0, 0, listing != nullptr && listing->haveMtime,
          listing != nullptr ? listing->mtime : 0);
    if (listing != nullptr && listing->readError)
        m_buffer += ",\"read_error\":true";
    // Not entered; written as ncdu writes such a directory.
    if (listing != nullptr && listing->otherFileSystem)
        m_buffer += ",\"excluded\":\"othfs\"";
    m_buffer += '}';
    ++m_open;
    if (listing != nullptr) {
        DirListing::File file;
        for (size_t pos = 0; listing->Next(pos, file);) {
            m_buffer += ",\n";
            if (file.unreadable) {
                Entry(file.name, 0, 0, false, 0);
                m_buffer += ",\"read_error\":true}";
                continue;
            }
            Entry(file.name, file.size, file.occupied, true, file.mtime);
            if (file.nlink > 1) {
                m_buffer += ",\"ino\":";
                Number(file.ino);
                m_buffer += ",\"nlink\":";
                Number(file.nlink);
                m_buffer += ",\"hlnkc\":true";
            }
            if (!file.regular)
                m_buffer += ",\"notreg\":true";
            m_buffer += '}';
            if (m_buffer.size() >= kFlushBytes)
                Flush();
        }
    }
    Flush();
}

bool NcduExport::Finish() {
    for (; m_open > 0; --m_open)
        m_buffer += ']';
    m_buffer += "]\n";
    Flush();
    if (m_buffer.empty() && std::fflush(m_out) != 0 && m_error == 0)
        m_error = errno;
    return m_error == 0;
}

void NcduExport::Entry(std::string_view name, uint64_t asize, uint64_t dsize, bool haveMtime,
                       int64_t mtime) {
    m_buffer += "{\"name\":";
    String(name);
    m_buffer += ",\"asize\":";
    Number(asize);
    m_buffer += ",\"dsize\":";
    Number(dsize);
    if (haveMtime) {
        m_buffer += ",\"mtime\":";
        Number(mtime > 0 ? static_cast<uint64_t>(mtime) : 0);
    }
}

void NcduExport::String(std::string_view text) {
    // Names keep their bytes, as ncdu writes them; only what JSON forbids is escaped.
    static constexpr char kHex[] = "0123456789abcdef";
    m_buffer += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            m_buffer += '\\';
            m_buffer += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            m_buffer += "\\u00";
            m_buffer += kHex[byte >> 4];
            m_buffer += kHex[byte & 0xF];
        } else {
            m_buffer += c;
        }
    }
    m_buffer += '"';
}

void NcduExport::Number(uint64_t value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    m_buffer.append(digits, end);
}

void NcduExport::Flush() {
    if (m_buffer.empty())
        return;
    // After a failed write nothing more goes out: a file with a gap would mislead.
    if (m_error == 0 && std::fwrite(m_buffer.data(), 1, m_buffer.size(), m_out) != m_buffer.size())
        m_error = errno != 0 ? errno : EIO;
    m_buffer.clear();
}

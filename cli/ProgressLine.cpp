#include "cli/ProgressLine.h"

#include "cli/TerminalText.h"

#include <cerrno>
#include <cwchar>
#include <string_view>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr std::string_view kProgressPrefix = "SCANNING: ";
constexpr std::chrono::milliseconds kInterval{100};
constexpr std::string_view kEraseLine = "\r\033[K";

// The text as it may go to a terminal in at most `columns` columns: characters
// of the locale's encoding that print, each other byte or control character
// as "?", so that a directory name can neither move the cursor, send escape
// sequences nor reverse the line.
std::string FitToColumns(const std::string& text, int columns) {
    std::string out;
    std::mbstate_t state{};
    int used = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        wchar_t wide = 0;
        size_t length = std::mbrtowc(&wide, text.data() + pos, text.size() - pos, &state);
        int width = -1;
        if (length == static_cast<size_t>(-1) || length == static_cast<size_t>(-2) || length == 0) {
            state = std::mbstate_t{};
            length = 1;
        } else {
            width = IsBidiControl(wide) ? -1 : ::wcwidth(wide);
        }
        const bool printable = width >= 0;
        const int cells = printable ? width : 1;
        if (used + cells > columns)
            break;
        if (printable)
            out.append(text, pos, length);
        else
            out.push_back('?');
        used += cells;
        pos += length;
    }
    return out;
}

} // namespace

ProgressLine::ProgressLine(int fd) : m_fd(fd), m_active(::isatty(fd) == 1) {}

ProgressLine::~ProgressLine() {
    Clear();
}

void ProgressLine::Show(const std::string& status) {
    if (!m_active || !status.starts_with(kProgressPrefix) || status == m_shown)
        return;
    const auto now = std::chrono::steady_clock::now();
    if (m_visible && now - m_lastShown < kInterval)
        return;
    // One column short of the width, so the terminal never wraps the line.
    const std::string line = FitToColumns(status, TerminalColumns() - 1);
    Write(std::string(kEraseLine) + line);
    m_shown = status;
    m_lastShown = now;
    m_visible = true;
}

void ProgressLine::Clear() {
    if (!m_visible)
        return;
    Write(std::string(kEraseLine));
    m_visible = false;
    m_shown.clear();
}

int ProgressLine::TerminalColumns() const {
    winsize size{};
    if (::ioctl(m_fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 1)
        return size.ws_col;
    return 80;
}

void ProgressLine::Write(const std::string& bytes) const {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return; // the progress line is a courtesy: a failing terminal is no reason to stop
        done += static_cast<size_t>(written);
    }
}

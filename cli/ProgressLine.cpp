#include "cli/ProgressLine.h"

#include "cli/TerminalText.h"

#include <cerrno>
#include <string_view>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr std::string_view kProgressPrefix = "SCANNING: ";
constexpr std::chrono::milliseconds kInterval{100};
constexpr std::string_view kEraseLine = "\r\033[K";

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
    const std::string line = ForTerminal(status, TerminalColumns() - 1);
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

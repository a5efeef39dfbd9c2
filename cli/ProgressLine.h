#pragma once

#include <chrono>
#include <string>

// The scan's progress ("SCANNING: " and the directory) on one terminal line
// that is rewritten in place. Does nothing unless the descriptor is a terminal.
class ProgressLine {
public:
    explicit ProgressLine(int fd);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows a progress text, at most every 100 ms; other status texts are passed over.
    void Show(const std::string& status);
    // Erases the line, so that what follows starts on a clean one.
    void Clear();

private:
    int TerminalColumns() const;
    void Write(const std::string& bytes) const;

    int m_fd;
    bool m_active;
    bool m_visible = false;
    std::string m_shown;
    std::chrono::steady_clock::time_point m_lastShown{};
};

#include "helpers/TreeMaker.h"

#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

TreeMaker::TreeMaker(const QString& root) : m_root(QFile::encodeName(root)) {}

QByteArray TreeMaker::place(const QByteArray& path) {
    return dir(path.left(path.lastIndexOf('/') + 1)) ? absolute(path) : QByteArray();
}

bool TreeMaker::check(bool done, const char* what, const QByteArray& path) {
    if (!done && m_error.isEmpty())
        m_error = QString("%1 %2: %3").arg(what, QString::fromUtf8(path), qt_error_string(errno));
    return done;
}

bool TreeMaker::dir(const QByteArray& path) {
    std::error_code error;
    std::filesystem::create_directories(absolute(path).constData(), error);
    return check(!error, "mkdir", path);
}

bool TreeMaker::file(const QByteArray& path, int64_t size, int64_t mtime, int64_t written) {
    const QByteArray full = place(path);
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(mtime), 0}}; // the access time stays
    const int fd = ::open(full.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const QByteArray data(64 * 1024, 'x');
    bool done = fd >= 0;
    for (int64_t left = written < 0 ? size : std::min(written, size); done && left > 0;) {
        const ssize_t n =
            ::write(fd, data.constData(), size_t(std::min<int64_t>(left, data.size())));
        done = n > 0;
        left -= n;
    }
    done = (fd < 0 || ::close(fd) == 0) && done;
    return check(done && ::truncate(full.constData(), size) == 0 &&
                     (mtime == kNoTime || ::utimensat(AT_FDCWD, full.constData(), times, 0) == 0),
                 "file", path);
}

bool TreeMaker::chain(const QByteArray& path, int levels) {
    int fd = dir(path) ? ::open(absolute(path).constData(), kDirFlags) : -1;
    for (int i = 0; fd >= 0 && i < levels; ++i) {
        const bool made = ::mkdirat(fd, "d", 0755) == 0 && ::mkdirat(fd, "d/e", 0755) == 0 &&
                          ::mknodat(fd, "d/e/f", S_IFREG | 0644, 0) == 0;
        const int next = check(made, "chain", path) ? ::openat(fd, "d", kDirFlags) : -1;
        ::close(fd);
        fd = next;
    }
    return check(fd >= 0, "chain", path) && ::close(fd) == 0;
}

bool TreeMaker::clear() {
    const QStringList find{QFile::decodeName(m_root), "-mindepth", "1", "-delete"};
    return check(QProcess::execute("find", find) == 0, "clear", m_root);
}

bool TreeMaker::build(const QByteArrayList& entries) {
    for (const QByteArray& entry : entries) {
        const QByteArrayList link = entry.split('>');
        const QByteArrayList sized = entry.split('='), value = sized.value(1).split('@');
        const QByteArrayList sparse = value[0].split('~');
        if (entry.endsWith('/'))
            dir(entry);
        else if (link.size() == 2 && link[0].endsWith('='))
            check(::link(absolute(link[1]).constData(), place(link[0].chopped(1)).constData()) == 0,
                  "link", entry);
        else if (link.size() == 2)
            check(::symlink(link[1].constData(), place(link[0].chopped(1)).constData()) == 0,
                  "symlink", entry);
        else if (entry.endsWith('|'))
            check(::mkfifo(place(entry.chopped(1)).constData(), 0644) == 0, "mkfifo", entry);
        else
            file(sized[0], sparse[0].toLongLong(), value.value(1, "1089374400").toLongLong(),
                 sparse.value(1, "-1").toLongLong());
    }
    return ok();
}

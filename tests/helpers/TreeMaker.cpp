#include "helpers/TreeMaker.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int kDirFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Closes a descriptor when it goes out of scope.
struct Fd {
    int fd;
    ~Fd() {
        if (fd >= 0)
            ::close(fd);
    }
};

} // namespace

TreeMaker::TreeMaker(const QString& root)
    : m_root(QFile::encodeName(root)), m_rootFd(::open(m_root.constData(), kDirFlags)) {
    if (m_rootFd < 0)
        fail("open", m_root);
}

TreeMaker::~TreeMaker() {
    if (m_rootFd >= 0)
        ::close(m_rootFd);
}

bool TreeMaker::fail(const QByteArray& what, const QByteArray& path) {
    if (m_error.isEmpty())
        m_error = QString::fromLatin1(what) + " " + QString::fromUtf8(path.toPercentEncoding("/")) +
                  ": " + QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

QByteArray TreeMaker::absolute(const QByteArray& path) const {
    return path.isEmpty() ? m_root : m_root + '/' + path;
}

int TreeMaker::openParent(const QByteArray& path, QByteArray& leaf, bool create) {
    QByteArray trimmed = path;
    while (trimmed.endsWith('/'))
        trimmed.chop(1);
    const QList<QByteArray> parts = trimmed.split('/');
    int fd = ::fcntl(m_rootFd, F_DUPFD_CLOEXEC, 0);
    for (qsizetype i = 0; fd >= 0 && i + 1 < parts.size(); ++i) {
        if (parts[i].isEmpty())
            continue;
        if (create && ::mkdirat(fd, parts[i].constData(), 0755) != 0 && errno != EEXIST) {
            ::close(fd);
            return -1;
        }
        const int next = ::openat(fd, parts[i].constData(), kDirFlags);
        ::close(fd);
        fd = next;
    }
    leaf = parts.last();
    return fd;
}

bool TreeMaker::dir(const QByteArray& path) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, true)};
    if (parent.fd < 0 || (::mkdirat(parent.fd, leaf.constData(), 0755) != 0 && errno != EEXIST))
        return fail("mkdir", path);
    return true;
}

bool TreeMaker::file(const QByteArray& path, int64_t size, int64_t mtime, long nsec) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, true)};
    if (parent.fd < 0)
        return fail("mkdir", path);
    Fd file{::openat(parent.fd, leaf.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644)};
    if (file.fd < 0 || ::ftruncate(file.fd, size) != 0)
        return fail("create", path);
    return mtime == kNoTime || setMtime(path, mtime, nsec);
}

bool TreeMaker::symlink(const QByteArray& path, const QByteArray& target) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, true)};
    if (parent.fd < 0 || ::symlinkat(target.constData(), parent.fd, leaf.constData()) != 0)
        return fail("symlink", path);
    return true;
}

bool TreeMaker::fifo(const QByteArray& path) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, true)};
    if (parent.fd < 0 || ::mkfifoat(parent.fd, leaf.constData(), 0644) != 0)
        return fail("mkfifo", path);
    return true;
}

bool TreeMaker::socket(const QByteArray& path) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, true)};
    // bind() takes a path of at most 107 bytes; the parent's descriptor keeps it short.
    const QByteArray where = "/proc/self/fd/" + QByteArray::number(parent.fd) + '/' + leaf;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (parent.fd < 0 || where.size() >= qsizetype(sizeof address.sun_path))
        return fail("socket", path);
    std::memcpy(address.sun_path, where.constData(), size_t(where.size()));
    Fd sock{::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)};
    if (sock.fd < 0 || ::bind(sock.fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return fail("socket", path);
    return true;
}

bool TreeMaker::device(const QByteArray& path) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, true)};
    return parent.fd >= 0 &&
           ::mknodat(parent.fd, leaf.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0;
}

bool TreeMaker::setMtime(const QByteArray& path, int64_t seconds, long nsec) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, false)};
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT; // the access time stays
    times[1].tv_sec = time_t(seconds);
    times[1].tv_nsec = nsec;
    if (parent.fd < 0 || ::utimensat(parent.fd, leaf.constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        return fail("utimensat", path);
    return true;
}

bool TreeMaker::chain(const QByteArray& path, int levels, const QByteArray& name) {
    if (!dir(path))
        return false;
    QByteArray leaf;
    Fd parent{openParent(path, leaf, false)};
    int fd = parent.fd < 0 ? -1 : ::openat(parent.fd, leaf.constData(), kDirFlags);
    for (int i = 0; fd >= 0 && i < levels; ++i) {
        int next = -1;
        if (::mkdirat(fd, name.constData(), 0755) == 0)
            next = ::openat(fd, name.constData(), kDirFlags);
        ::close(fd);
        fd = next;
    }
    if (fd < 0)
        return fail("chain", path);
    ::close(fd);
    return true;
}

bool TreeMaker::remove(const QByteArray& path) {
    QByteArray leaf;
    Fd parent{openParent(path, leaf, false)};
    struct stat st;
    if (parent.fd < 0 || ::fstatat(parent.fd, leaf.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0)
        return fail("remove", path);
    if (!S_ISDIR(st.st_mode))
        return ::unlinkat(parent.fd, leaf.constData(), 0) == 0 || fail("remove", path);
    return removeTree(parent.fd, leaf) || fail("remove", path);
}

bool TreeMaker::clear() {
    QList<QByteArray> names;
    const int listFd = ::fcntl(m_rootFd, F_DUPFD_CLOEXEC, 0);
    DIR* listing = listFd < 0 ? nullptr : ::fdopendir(listFd);
    if (listing == nullptr)
        return fail("clear", m_root);
    ::rewinddir(listing);
    while (const dirent* entry = ::readdir(listing))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
            names << entry->d_name;
    ::closedir(listing);
    bool removed = true;
    for (const QByteArray& name : names)
        removed = remove(name) && removed;
    return removed;
}

bool TreeMaker::removeTree(int parentFd, const QByteArray& name) {
    // Depth first without recursion: empty the current directory of everything
    // but directories, go into the first directory left, and climb back up
    // through ".." once a directory is empty.
    std::vector<std::string> below; // names from `name` down to the current directory
    ::fchmodat(parentFd, name.constData(), 0700, 0);
    int fd = ::openat(parentFd, name.constData(), kDirFlags);
    while (fd >= 0) {
        const int listFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        DIR* listing = listFd < 0 ? nullptr : ::fdopendir(listFd);
        if (listing == nullptr) {
            if (listFd >= 0)
                ::close(listFd);
            break;
        }
        ::rewinddir(listing); // the duplicate shares the offset of an earlier listing
        std::string subdir;
        while (const dirent* entry = ::readdir(listing)) {
            const char* entryName = entry->d_name;
            if (std::strcmp(entryName, ".") == 0 || std::strcmp(entryName, "..") == 0)
                continue;
            struct stat st;
            if (::fstatat(fd, entryName, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
                if (subdir.empty())
                    subdir = entryName;
            } else {
                ::unlinkat(fd, entryName, 0);
            }
        }
        ::closedir(listing);
        if (!subdir.empty()) {
            ::fchmodat(fd, subdir.c_str(), 0700, 0);
            const int next = ::openat(fd, subdir.c_str(), kDirFlags);
            ::close(fd);
            fd = next;
            below.push_back(subdir);
            continue;
        }
        if (below.empty()) {
            ::close(fd);
            return ::unlinkat(parentFd, name.constData(), AT_REMOVEDIR) == 0;
        }
        const int up = ::openat(fd, "..", kDirFlags);
        ::close(fd);
        if (up >= 0 && ::unlinkat(up, below.back().c_str(), AT_REMOVEDIR) != 0) {
            ::close(up);
            return false;
        }
        below.pop_back();
        fd = up;
    }
    if (fd >= 0)
        ::close(fd);
    return false;
}

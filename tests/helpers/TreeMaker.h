#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <limits>

// Builds directory trees for tests inside an existing directory, normally a
// QTemporaryDir:
//
//   QTemporaryDir tmp;
//   TreeMaker t(tmp.path());
//   t.file("A/C/x", 10, 1089374400);  // parents are made as needed
//   t.dir("B");
//   t.symlink("A/up", "..");
//   QVERIFY2(t.ok(), qPrintable(t.error()));
//
// Paths are relative to the root and "/"-separated (a trailing "/" is
// ignored); a name may hold any byte
// but "/" and NUL (blanks, newlines, invalid UTF-8, 255 bytes). Every step goes
// through directory descriptors, so paths may be far longer than PATH_MAX.
// Files are sparse: any size costs no disk space, and their bytes read as zeros.
// Each call returns false on failure and the first failure is kept in error().
class TreeMaker {
public:
    // Leave the modification time as the system set it.
    static constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

    explicit TreeMaker(const QString& root);
    ~TreeMaker();
    TreeMaker(const TreeMaker&) = delete;
    TreeMaker& operator=(const TreeMaker&) = delete;

    // A directory (and its parents); one that exists already is fine.
    bool dir(const QByteArray& path);
    // A file of `size` bytes, last written at `mtime` seconds (+ `nsec`) since 1970 UTC.
    bool file(const QByteArray& path, int64_t size = 0, int64_t mtime = kNoTime, long nsec = 0);
    bool symlink(const QByteArray& path, const QByteArray& target);
    bool fifo(const QByteArray& path);
    // A UNIX domain socket's node (the socket itself is closed again).
    bool socket(const QByteArray& path);
    // A character device (the null device's numbers). False where the system
    // refuses it (no privilege); that is not recorded as an error.
    bool device(const QByteArray& path);
    // Sets the modification time of any entry (links are not followed).
    bool setMtime(const QByteArray& path, int64_t seconds, long nsec = 0);
    // `levels` nested directories named `name` below `path`: path/d/d/.../d.
    bool chain(const QByteArray& path, int levels, const QByteArray& name = "d");
    // Removes an entry, or a directory with everything below it, at any depth
    // and whatever its permissions.
    bool remove(const QByteArray& path);
    // Removes everything below the root. QTemporaryDir cannot remove names
    // that are not UTF-8; call this before it goes.
    bool clear();

    // The root and a path below it as bytes, for the system calls of a test.
    QByteArray absolute(const QByteArray& path = {}) const;
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    // Opens the directory that holds the last component of `path` (making the
    // directories on the way when `create`), and sets `leaf` to that component.
    int openParent(const QByteArray& path, QByteArray& leaf, bool create);
    bool removeTree(int parentFd, const QByteArray& name);
    bool fail(const QByteArray& what, const QByteArray& path);

    QByteArray m_root;
    int m_rootFd = -1;
    QString m_error;
};

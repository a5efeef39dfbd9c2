#pragma once

#include <QByteArrayList>
#include <QString>

#include <cstdint>

// Builds directory trees for tests below an existing directory, normally a
// QTemporaryDir:
//
//   TreeMaker t(tmp.path());
//   t.file("A/C/x", 10, 1089374400); // parents are made as needed
//   QVERIFY2(t.ok(), qPrintable(t.error()));
//
// Paths are "/"-separated bytes relative to the root; a name may hold any byte
// but "/" and NUL. Files are written in full, as programs write them, unless
// made sparse. Each call returns false on failure, and the first failure is
// kept in error().
class TreeMaker {
public:
    // Leave the modification time as the system set it.
    static constexpr int64_t kNoTime = INT64_MIN;

    explicit TreeMaker(const QString& root);

    // A directory and its parents; one that exists already is fine.
    bool dir(const QByteArray& path);
    // A file of `size` bytes, last written at `mtime` seconds since 1970 UTC.
    // With `written` at least 0 it is sparse: only its first `written` bytes
    // are written, the rest holds no disk space.
    bool file(const QByteArray& path, int64_t size = 0, int64_t mtime = kNoTime,
              int64_t written = -1);
    // Entries: "a/b/" a directory, "a/f=SIZE[~WRITTEN][@MTIME]" a file (sparse
    // with "~"; last written 2004-07-09 12:00 UTC unless given), "a/l->TARGET"
    // a symbolic link, "a/h=>FILE" one more link to FILE (relative to the
    // root), "a/p|" a FIFO.
    bool build(const QByteArrayList& entries);
    // `levels` nested directories path/d/d/..., each also holding an empty file
    // e/f. Made through descriptors: the deep paths are far beyond PATH_MAX.
    bool chain(const QByteArray& path, int levels);
    // Removes everything below the root, at any depth. QTemporaryDir can remove
    // neither names that are not UTF-8 nor paths beyond PATH_MAX.
    bool clear();

    QByteArray absolute(const QByteArray& path = {}) const {
        return path.isEmpty() ? m_root : m_root + '/' + path;
    }
    bool ok() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

private:
    bool check(bool done, const char* what, const QByteArray& path);
    // Makes the parents of `path`; its absolute path, or "" when that failed.
    QByteArray place(const QByteArray& path);

    QByteArray m_root;
    QString m_error;
};

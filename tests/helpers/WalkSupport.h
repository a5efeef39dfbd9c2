#pragma once

// Shared by the walk's tests: a list that records the order rows arrive in, a
// scan into it, and its rows as text.

#include "scan/DirectoryWalk.h"
#include "scan/MemoryList.h"

#include <QByteArrayList>
#include <QDir>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

// Dates always year-month-day.
inline const RowFormat kFormat{SizeUnit::Bytes, true, '.', DateOrder::YearFirst};

// A list that also keeps the names of its rows in the order they arrived.
struct Recorder : MemoryList {
    QByteArrayList arrived;
    void AppendRows(std::vector<DirRow>&& more) override {
        for (const DirRow& row : more)
            arrived << row.text[ColDirectory].c_str();
        MemoryList::AppendRows(std::move(more));
    }
};

// A scan into a list still holding a row of an earlier scan.
inline Recorder Scan(const QByteArray& root, bool compressed, int threads,
                     std::function<void(const std::string&)> hook = {},
                     const std::atomic<bool>& stop = std::atomic<bool>{false}) {
    Recorder list;
    list.rows.resize(1);
    ScanFeed feed;
    const int fd = ::open(root.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    RunScan({{compressed, kFormat, threads}, fd, root.toStdString(), std::move(hook)}, feed, stop);
    ::close(fd);
    feed.Drain(list);
    return list;
}

// The rows as "name|files|bytes|occupied|date", without padding and separators.
inline QByteArrayList Cells(const std::vector<DirRow>& rows) {
    QByteArrayList cells;
    for (const DirRow& row : rows) {
        cells << row.text[ColDirectory].c_str();
        for (int c = ColFiles; c < ColumnCount; ++c)
            cells.last() += '|' + QByteArray(row.text[c].c_str()).replace('.', "").trimmed();
    }
    return cells;
}

// Large generated trees are made in memory where possible: on some disks
// tens of thousands of directories are slow.
inline QString MemoryTemp() {
    return QFileInfo("/dev/shm").isWritable() ? "/dev/shm" : QDir::tempPath();
}

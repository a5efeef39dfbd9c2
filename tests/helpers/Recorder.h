#pragma once

#include "scan/MemoryList.h"

#include <QByteArrayList>

// A list that also keeps the names of its rows in the order they arrived.
struct Recorder : MemoryList {
    QByteArrayList arrived;
    void AppendRows(std::vector<DirRow>&& more) override {
        for (const DirRow& row : more)
            arrived << row.text[ColDirectory].c_str();
        MemoryList::AppendRows(std::move(more));
    }
};

#pragma once

#include "scan/DirRow.h"
#include "scan/DirStats.h"

#include <cstdint>
#include <string>
#include <vector>

// What a scan does to the list that shows its result, and to the status pane.
// The window implements it over its list control, the command-line tool and the
// tests over plain memory (MemoryList). Every call comes on the thread that owns
// the list: a ScanFeed carries them over from the walking threads.
//
// A complete scan makes, in this order:
//   ClearRows(), SetTotals(<zeros>)
//   SetColumnTitle("/home/ann/data/")          // when the path is known
//   SetStatusText("SCANNING: ")...              // the newest progress text wins
//   AppendRows({...}), SetTotals(<so far>) ...  // in batches, in the walk's order
//   SortRows(0)                                 // by name, ascending
//   SetFreeBytes(n), SetTotals(total)
//   SetStatusText(<totals line>)
// An interrupted scan stops after its last batch with
//   SetStatusText("Operation interrupted").

class ScanList {
public:
    virtual ~ScanList() = default;

    // Releases every row; no row may be drawn from a released record.
    virtual void ClearRows() = 0;
    // Appends rows at the end, keeping their order.
    virtual void AppendRows(std::vector<DirRow>&& rows) = 0;
    // The title of the Directory column: the scanned directory's full path.
    virtual void SetColumnTitle(const std::string& title) = 0;
    // Stable sort by CompareRows with the given key.
    virtual void SortRows(int key) = 0;
    // The scan pane of the status bar.
    virtual void SetStatusText(const std::string& text) = 0;
    // The totals of the rows appended so far, one consistent snapshot.
    virtual void SetTotals(const DirStats& total) = 0;
    // The volume's free bytes.
    virtual void SetFreeBytes(uint64_t freeBytes) = 0;
    // A directory that could not be opened or read, counted as empty: its row
    // name ("" for the start directory) and the errno value. The window stays
    // silent; the command-line tool names it.
    virtual void ReportUnreadable(const std::string& name, int error) {
        (void)name;
        (void)error;
    }
};

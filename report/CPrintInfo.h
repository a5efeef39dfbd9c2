#pragma once

class QPrinter;

// What a print job or a preview hands to each printing step: the printer, the
// page being drawn and how many pages there are.
struct CPrintInfo {
    QPrinter* printer = nullptr;
    bool preview = false;
    // Open until the pages are counted; a typed page range is cut to it.
    int maxPage = 0xFFFF;
    int currentPage = 1;
};

#include "app/CommandTable.h"

#include "app/CommandIds.h"

#include <array>

std::span<const CommandInfo> CommandTable() {
    static const std::array<CommandInfo, 15> table = {{
        // The tool bar's own commands have keys as a file manager's: BackSpace or
        // Alt+Up climb, Ctrl+1 and Ctrl+2 switch the view.
        {ID_DIR_UP,
         nullptr,
         "Go to higher directory\nGo to higher directory",
         0,
         {QKeySequence(Qt::Key_Backspace), QKeySequence(Qt::ALT | Qt::Key_Up)}},
        {ID_VIEW_EXPANDED,
         nullptr,
         "Expanded view  (Separate subdirectories)\nExpanded view",
         1,
         {QKeySequence(Qt::CTRL | Qt::Key_2)}},
        {ID_VIEW_COMPRESSED,
         nullptr,
         "Compressed view  (combine subdirectories)\nCompressed view",
         2,
         {QKeySequence(Qt::CTRL | Qt::Key_1)}},
        {ID_EDIT_COPY,
         "Copy\tCtrl+C",
         "Copy to clipboard\nCopy to clipboard",
         3,
         {QKeySequence(Qt::CTRL | Qt::Key_C), QKeySequence(Qt::CTRL | Qt::Key_Insert)}},
        {ID_FILE_SAVE_AS,
         "Save as...\tCtrl+S",
         "Save the active document with a new name\nSave As",
         4,
         {QKeySequence(Qt::CTRL | Qt::Key_S)}},
        {ID_FILE_PRINT,
         "&Print...\tCtrl+P",
         "Print the active document\nPrint",
         5,
         {QKeySequence(Qt::CTRL | Qt::Key_P)}},
        {ID_FILE_PRINT_PREVIEW, "Print Pre&view", "Print Preview\nPrint Preview", 6, {}},
        {ID_FILE_PRINT_SETUP,
         "P&rint Setup...",
         "Change the printer and printing options\nPrint Setup",
         -1,
         {}},
        {ID_OPTIONS, "Options", "Options\nOptions", 7, {}},
        {ID_APP_EXIT, "E&xit", nullptr, -1, {}},
        {ID_HELP_CONTENTS, "Help\tF1", nullptr, -1, {QKeySequence(Qt::Key_F1)}},
        {ID_APP_ABOUT,
         "&About Spanmeter...",
         "Display program information\nDisplay program information",
         8,
         {}},
        {ID_VIEW_REFRESH, nullptr, nullptr, -1, {QKeySequence(Qt::Key_F5)}},
        // The frame has a single pane: these keys are taken and do nothing.
        {ID_NEXT_PANE, nullptr, nullptr, -1, {QKeySequence(Qt::Key_F6)}},
        {ID_PREV_PANE, nullptr, nullptr, -1, {QKeySequence(Qt::SHIFT | Qt::Key_F6)}},
    }};
    return table;
}

std::span<const int> ToolBarLayout() {
    static constexpr std::array<int, 15> layout = {
        ID_DIR_UP,       0, ID_VIEW_EXPANDED, ID_VIEW_COMPRESSED,    0, ID_EDIT_COPY, 0,
        ID_FILE_SAVE_AS, 0, ID_FILE_PRINT,    ID_FILE_PRINT_PREVIEW, 0, ID_OPTIONS,   0,
        ID_APP_ABOUT,
    };
    return layout;
}

std::span<const int> FileMenuLayout() {
    static constexpr std::array<int, 10> layout = {
        ID_EDIT_COPY,
        ID_FILE_SAVE_AS,
        0,
        ID_FILE_PRINT,
        ID_FILE_PRINT_PREVIEW,
        ID_FILE_PRINT_SETUP,
        0,
        ID_OPTIONS,
        0,
        ID_APP_EXIT,
    };
    return layout;
}

std::span<const int> HelpMenuLayout() {
    static constexpr std::array<int, 2> layout = {ID_HELP_CONTENTS, ID_APP_ABOUT};
    return layout;
}

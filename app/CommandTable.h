#pragma once

#include <QKeySequence>
#include <QList>

#include <span>

// One command of the menu, the tool bar or the keys: everything the frame
// needs to make its action.
struct CommandInfo {
    int id;
    // The menu item's text, a tab before the key it names; nullptr: no menu item.
    const char* menuText;
    // The status prompt and the tooltip, split at the line feed; nullptr: none.
    const char* prompt;
    // Index of the tool bar picture in the strip; -1: no picture.
    int image;
    QList<QKeySequence> keys;
};

// All commands, in the order the frame makes them.
std::span<const CommandInfo> CommandTable();

// The tool bar, left to right; 0 stands for a separator.
std::span<const int> ToolBarLayout();
// The two menus; 0 stands for a separator.
std::span<const int> FileMenuLayout();
std::span<const int> HelpMenuLayout();

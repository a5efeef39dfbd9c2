#pragma once

// Command ids; the numbers are the ones the menu, the tool bar and the keys share.
enum CommandId : int {
    ID_VIEW_EXPANDED = 32771,
    ID_VIEW_COMPRESSED = 32772,
    ID_DIR_UP = 32775,
    ID_HELP_CONTENTS = 32783,
    ID_VIEW_REFRESH = 32784,
    ID_OPTIONS = 32788,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_EDIT_COPY = 57634,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
};

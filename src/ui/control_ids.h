// Control and command ids of the main window, its dialogs and the row menu,
// shared by the program and its UI tests.
#pragma once

namespace varnel {

enum : int {
    // The main window.
    IDC_SEARCH_TEXT = 1001,
    IDC_SEARCH_LABEL = 1002,
    IDC_FIELD_LABEL = 1003,
    IDC_FIELD_COMBO = 1004,
    IDC_SEARCH_BUTTON = 1005,
    IDC_LOAD_BUTTON = 1006,
    IDC_RESAVE_BUTTON = 1007,
    IDC_TABLE_LIST = 1009,

    // The import dialog; the check box of field i is IDC_IMPORT_FIELD_BASE + i.
    IDC_IMPORT_NAMES_FROM_FIRST = 1011,
    IDC_IMPORT_FIRST_LINE_TEXT = 1012,
    IDC_IMPORT_NAMES_MANUAL = 1013,
    IDC_IMPORT_MANUAL_NAMES = 1014,
    IDC_IMPORT_FIRST_IS_DATA = 1015,
    IDC_IMPORT_LOAD = 1020,
    IDC_IMPORT_CANCEL = 1021,
    IDC_IMPORT_FIELD_BASE = 1100,

    // The edit dialog; field i has the label IDC_EDIT_LABEL_BASE + i and the
    // box IDC_EDIT_FIELD_BASE + i.
    IDC_EDIT_SAVE = 2001,
    IDC_EDIT_CANCEL = 2002,
    IDC_EDIT_LABEL_BASE = 2003,
    IDC_EDIT_FIELD_BASE = 2103,

    // The row menu's commands.
    IDM_INSERT_ROW = 3001,
    IDM_DELETE_ROW = 3003,
    IDM_EDIT_ROW = 3004,

    // The Search and Replace dialog.
    IDC_REPLACE_PROMPT = 4001,
    IDC_REPLACE_TEXT = 4002,
    IDC_REPLACE_GO = 4003,
    IDC_REPLACE_CANCEL = 4004,
    IDC_REPLACE_CONFIRM = 4007,

    // The new-file dialog; box i has the label IDC_NEW_LABEL_BASE + i and
    // the name box IDC_NEW_NAME_BASE + i.
    IDC_NEW_ADD_FIELD = 5016,
    IDC_NEW_DELETE_FIELD = 5017,
    IDC_NEW_CREATE = 5018,
    IDC_NEW_CANCEL = 5019,
    IDC_NEW_LABEL_BASE = 5100,
    IDC_NEW_NAME_BASE = 5200,
};

}  // namespace varnel

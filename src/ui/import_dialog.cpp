#include "ui/import_dialog.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "core/delimited_read.h"
#include "ui/app_state.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/read_errors.h"
#include "ui/table_view.h"
#include "ui/wait_cursor.h"
#include "ui/win32_file_system.h"

namespace varnel {
namespace {

enum : int {
    IDC_IMPORT_NAMES_FROM_FIRST = 1011,
    IDC_IMPORT_FIRST_LINE_TEXT = 1012,
    IDC_IMPORT_NAMES_MANUAL = 1013,
    IDC_IMPORT_MANUAL_NAMES = 1014,
    IDC_IMPORT_FIRST_IS_DATA = 1015,
    IDC_IMPORT_LOAD = 1020,
    IDC_IMPORT_CANCEL = 1021,
    IDC_IMPORT_FIELD_BASE = 1100,
};

constexpr int kDialogWidth = 476;

struct ImportDialog {
    int32_t fieldCount = 0;
    HWND savedFocus = nullptr;
    // The check box of field i at index i - 1, null where the system had no
    // window left for it. Held here because looking each one up by id walks
    // every control of the dialog: quadratic for a wide first line.
    std::vector<HWND> fieldBoxes;
};

// Pixel sizes that grow with the number of fields, kept within int.
int grownBy(int base, int32_t fields) {
    return static_cast<int>(std::min<int64_t>(base + int64_t{16} * fields, INT_MAX));
}

void createControls(HWND dialog, ImportDialog& state) {
    const TableDocument& table = app().table;
    const int n = state.fieldCount;
    constexpr DWORD child = WS_CHILD | WS_VISIBLE;
    addControl(dialog, "BUTTON", "First line specifies fields:", child | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
               0, IDC_IMPORT_NAMES_FROM_FIRST, 8, 8, 456, 16);
    addControl(dialog, "STATIC", table.firstLine.c_str(), child | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0,
               IDC_IMPORT_FIRST_LINE_TEXT, 24, 24, 440, 16);
    addControl(dialog, "BUTTON", "Specify fields manually:", child | WS_TABSTOP | BS_AUTORADIOBUTTON, 0,
               IDC_IMPORT_NAMES_MANUAL, 8, 40, 456, 16);
    HWND names = addControl(dialog, "EDIT", "", child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                            IDC_IMPORT_MANUAL_NAMES, 24, 56, 440, 24);
    SendMessageA(names, EM_LIMITTEXT, 0, 0);  // no limit: the first line may be long
    setText(names, table.firstLine);
    addControl(dialog, "BUTTON", "First line in file contains data", child | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
               IDC_IMPORT_FIRST_IS_DATA, 24, 80, 440, 16);
    // The names are cut from the first line once; cutting it again for each
    // box would be quadratic in its length.
    const std::vector<std::string> firstLineNames = splitFields(table.firstLine, table.fileKind);
    state.fieldBoxes.assign(static_cast<size_t>(n), nullptr);
    for (int i = 1; i <= n; ++i) {
        const std::string name = static_cast<size_t>(i) <= firstLineNames.size() ? firstLineNames[static_cast<size_t>(i - 1)] : "";
        const std::string text = "Import field " + std::to_string(i) + " (" + doubledAmpersands(name) + ")";
        HWND box = addControl(dialog, "BUTTON", text.c_str(), child | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                              IDC_IMPORT_FIELD_BASE + i, 8, grownBy(96, i), 456, 16);
        // Out of window objects: every further box would fail as well.
        if (!box) break;
        state.fieldBoxes[static_cast<size_t>(i - 1)] = box;
    }
    addControl(dialog, "BUTTON", "Load", child | WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_IMPORT_LOAD, 328, grownBy(120, n),
               64, 24);
    addControl(dialog, "BUTTON", "Cancel", child | WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_IMPORT_CANCEL, 400,
               grownBy(120, n), 64, 24);

    CheckRadioButton(dialog, IDC_IMPORT_NAMES_FROM_FIRST, IDC_IMPORT_NAMES_MANUAL, IDC_IMPORT_NAMES_FROM_FIRST);
    for (HWND box : state.fieldBoxes)
        if (box) SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
}

void loadPressed(HWND dialog, const ImportDialog& state) {
    ImportOptions options;
    options.importField.resize(static_cast<size_t>(state.fieldCount));
    bool any = false;
    for (size_t k = 0; k < state.fieldBoxes.size(); ++k) {
        // A field whose box could not be made keeps the box's start state.
        HWND box = state.fieldBoxes[k];
        const bool checked = !box || SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
        options.importField[k] = checked;
        any = any || checked;
    }
    if (!any) {
        messageBox("You must specify at least one field to include!", "Error", kErrorBoxFlags);
        return;
    }
    options.namesFromFirstLine = isChecked(dialog, IDC_IMPORT_NAMES_FROM_FIRST);
    options.manualNamesLine = getItemText(dialog, IDC_IMPORT_MANUAL_NAMES);
    options.firstLineIsData = isChecked(dialog, IDC_IMPORT_FIRST_IS_DATA);

    TableDocument& table = app().table;
    WaitCursor working;
    const ReadResult result = importTable(table, options, measureTextWidth, win32FileSystem());
    if (!result.ok) {
        // The old table stays; the user may try again or cancel.
        showReadError(table.currentFileName, result.error);
        return;
    }
    rebuildTableView();
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK importDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    try {
        auto* state = reinterpret_cast<ImportDialog*>(GetWindowLongPtrA(dialog, DWLP_USER));
        switch (message) {
        case WM_INITDIALOG:
            state = reinterpret_cast<ImportDialog*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            placeDialog(dialog, GetWindow(dialog, GW_OWNER), kDialogWidth, grownBy(153, state->fieldCount));
            createControls(dialog, *state);
            SendMessageA(dialog, WM_SETICON, ICON_BIG,
                         reinterpret_cast<LPARAM>(LoadIconA(app().instance, "VARNEL")));
            break;
        case WM_NCACTIVATE:
            if (!state) break;
            rememberFocus(state->savedFocus, wParam);
            break;
        case WM_COMMAND:
            if (!state || HIWORD(wParam) > 1) break;
            if (LOWORD(wParam) == IDC_IMPORT_LOAD) loadPressed(dialog, *state);
            if (LOWORD(wParam) == IDC_IMPORT_CANCEL) EndDialog(dialog, 0);
            break;
        case WM_CLOSE:
            // Alt+F4: as Cancel. (The standard processing would send IDCANCEL,
            // which stands for Escape here and does nothing.)
            EndDialog(dialog, 0);
            return TRUE;
        default:
            break;
        }
    } catch (...) {
    }
    return 0;
}

}  // namespace

void runImportDialog(HWND owner) {
    TableDocument& table = app().table;
    decideFileKind(table);
    ImportDialog state;
    state.fieldCount = table.firstLineFieldCount;
    const char* caption = rulesOf(table.fileKind).importCaption;
    if (!*caption) caption = rulesOf(FileKind::Csv).importCaption;
    runModalDialog(owner, caption, kDialogStyle, importDialogProc, reinterpret_cast<LPARAM>(&state));
}

}  // namespace varnel

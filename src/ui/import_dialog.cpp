#include "ui/import_dialog.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "core/delimited_read.h"
#include "core/text.h"
#include "ui/app_state.h"
#include "ui/control_ids.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/read_errors.h"
#include "ui/system_memory.h"
#include "ui/table_view.h"
#include "ui/wait_cursor.h"
#include "ui/win32_file_system.h"

namespace varnel {
namespace {

constexpr int kDialogWidth = 476;
// A one-line edit box lays out its whole text whenever it changes or is
// painted: under Wine a first line of 100 MB takes a minute each time, and
// the 32-bit program runs out of memory. The names box holds this much of a
// longer line; the rest stays as it is, after whatever the box holds.
constexpr size_t kMaxNamesBoxBytes = size_t{1} << 20;
// Fields past this many have no box; they are always imported.
int32_t gMostFieldBoxes = kMaxFieldBoxes;
static_assert(153 + 16 * kMaxFieldBoxes <= kMaxDialogClientHeight);

struct ImportDialog {
    int32_t fieldCount = 0;
    HWND savedFocus = nullptr;
    // The check box of field i at index i - 1, one for each box made: fewer
    // than fieldCount when the line has more fields than the dialog takes
    // boxes, or when the system had no window left. Held here because looking
    // each one up by id walks every control of the dialog.
    std::vector<HWND> fieldBoxes;
    // The part of the first line past what the names box holds.
    std::string namesRest;
    // Load or Cancel could not be made: the dialog ends at once.
    bool noRoom = false;
};

// Pixel sizes that grow with the number of fields, kept within int.
int grownBy(int base, int32_t fields) {
    return static_cast<int>(std::min<int64_t>(base + int64_t{16} * fields, INT_MAX));
}

// Said in place of the first line when some fields have no box.
std::string fieldsWithoutBoxNote(int32_t fields, int32_t boxes) {
    if (boxes == 0) return formatCount(fields) + " fields, all imported: no room was left for their boxes.";
    return formatCount(fields) + " fields: boxes for the first " + formatCount(boxes) + " below; the other " +
           formatCount(fields - boxes) + " are imported too.";
}

// Load and Cancel are made before the field boxes, so that no number of
// boxes can leave the dialog without them, and are then put last in the
// tab order, below the last box.
void placeButtons(HWND load, HWND cancel, int32_t boxes) {
    const int y = grownBy(120, boxes);
    SetWindowPos(load, HWND_BOTTOM, 328, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(cancel, HWND_BOTTOM, 400, y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
}

void createControls(HWND dialog, ImportDialog& state) {
    const TableDocument& table = app().table;
    const int32_t n = state.fieldCount;
    const int32_t wanted = std::min(n, gMostFieldBoxes);
    // Sized before the controls exist: moving a window that holds thousands
    // of them costs as much again.
    HWND owner = GetWindow(dialog, GW_OWNER);
    placeDialog(dialog, owner, kDialogWidth, grownBy(153, wanted));
    constexpr DWORD child = WS_CHILD | WS_VISIBLE;
    addControl(dialog, "BUTTON", "First line specifies fields:", child | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
               0, IDC_IMPORT_NAMES_FROM_FIRST, 8, 8, 456, 16);
    // A one-line text shows a few hundred characters at most.
    HWND firstLine = addControl(dialog, "STATIC", shownText(table.firstLine).c_str(),
                                child | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0, IDC_IMPORT_FIRST_LINE_TEXT, 24, 24, 440,
                                16);
    addControl(dialog, "BUTTON", "Specify fields manually:", child | WS_TABSTOP | BS_AUTORADIOBUTTON, 0,
               IDC_IMPORT_NAMES_MANUAL, 8, 40, 456, 16);
    HWND names = addControl(dialog, "EDIT", "", child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                            IDC_IMPORT_MANUAL_NAMES, 24, 56, 440, 24);
    SendMessageA(names, EM_LIMITTEXT, 0, 0);  // no limit: the first line may be long
    const size_t inBox = std::min(table.firstLine.size(), kMaxNamesBoxBytes);
    setText(names, table.firstLine.substr(0, inBox));
    state.namesRest = table.firstLine.substr(inBox);
    addControl(dialog, "BUTTON", "First line in file contains data", child | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
               IDC_IMPORT_FIRST_IS_DATA, 24, 80, 440, 16);
    // The radio group reaches down through every field box (none starts a
    // group), and checking a radio button walks its group: check it while
    // the group is short.
    CheckRadioButton(dialog, IDC_IMPORT_NAMES_FROM_FIRST, IDC_IMPORT_NAMES_MANUAL, IDC_IMPORT_NAMES_FROM_FIRST);

    HWND load = addControl(dialog, "BUTTON", "Load", child | WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_IMPORT_LOAD, 328,
                           grownBy(120, wanted), 64, 24);
    HWND cancel = addControl(dialog, "BUTTON", "Cancel", child | WS_TABSTOP | BS_PUSHBUTTON, 0, IDC_IMPORT_CANCEL,
                             400, grownBy(120, wanted), 64, 24);
    if (!load || !cancel) {
        state.noRoom = true;
        return;
    }

    // The names are cut from the first line once, and only as many as get a
    // box; cutting the line again for each box would be quadratic in its length.
    const std::vector<std::string> boxNames = splitFields(table.firstLine, table.fileKind, wanted);
    state.fieldBoxes.reserve(static_cast<size_t>(wanted));
    for (int32_t i = 1; i <= wanted; ++i) {
        const std::string name =
            static_cast<size_t>(i) <= boxNames.size() ? shownText(boxNames[static_cast<size_t>(i - 1)]) : "";
        const std::string text = "Import field " + std::to_string(i) + " (" + doubledAmpersands(name) + ")";
        HWND box = addControl(dialog, "BUTTON", text.c_str(), child | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                              IDC_IMPORT_FIELD_BASE + i, 8, grownBy(96, i), 456, 16);
        // Out of window objects: every further box would fail as well.
        if (!box) break;
        SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
        state.fieldBoxes.push_back(box);
    }
    const int32_t boxes = static_cast<int32_t>(state.fieldBoxes.size());
    placeButtons(load, cancel, boxes);
    if (boxes < n) setText(firstLine, fieldsWithoutBoxNote(n, boxes));
    if (boxes < wanted) placeDialog(dialog, owner, kDialogWidth, grownBy(153, boxes));
}

void loadPressed(HWND dialog, const ImportDialog& state) {
    ImportOptions options;
    // A field without a box is imported, as its box would start checked.
    options.importField.assign(static_cast<size_t>(state.fieldCount), true);
    bool any = state.fieldBoxes.size() < options.importField.size();
    for (size_t k = 0; k < state.fieldBoxes.size(); ++k) {
        const bool checked = SendMessageA(state.fieldBoxes[k], BM_GETCHECK, 0, 0) == BST_CHECKED;
        options.importField[k] = checked;
        any = any || checked;
    }
    if (!any) {
        messageBox("You must specify at least one field to include!", "Error", kErrorBoxFlags);
        return;
    }
    options.namesFromFirstLine = isChecked(dialog, IDC_IMPORT_NAMES_FROM_FIRST);
    options.manualNamesLine = getItemText(dialog, IDC_IMPORT_MANUAL_NAMES) + state.namesRest;
    options.firstLineIsData = isChecked(dialog, IDC_IMPORT_FIRST_IS_DATA);

    options.memoryAvailable = memoryForNewTable();

    TableDocument& table = app().table;
    WaitCursor working;
    const ReadResult result = importTable(table, options, measureTextWidth, win32FileSystem());
    if (!result.ok) {
        // The old table stays; the user may try again or cancel.
        showReadError(table.currentFileName, result);
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
            createControls(dialog, *state);
            if (state->noRoom) {
                EndDialog(dialog, 0);
                break;
            }
            SendMessageA(dialog, WM_SETICON, ICON_BIG,
                         reinterpret_cast<LPARAM>(LoadIconA(app().instance, "VARNEL")));
            break;
        case WM_PAINT:
            skipPaintingOffScreen(dialog);
            break;
        case WM_MOVE:
        case WM_DISPLAYCHANGE:
            repaintDialog(dialog);
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

void setMostFieldBoxes(int32_t boxes) { gMostFieldBoxes = boxes; }

void runImportDialog(HWND owner) {
    TableDocument& table = app().table;
    decideFileKind(table);
    ImportDialog state;
    state.fieldCount = table.firstLineFieldCount;
    const char* caption = rulesOf(table.fileKind).importCaption;
    if (!*caption) caption = rulesOf(FileKind::Csv).importCaption;
    const INT_PTR ended =
        runModalDialog(owner, caption, kDialogStyle, importDialogProc, reinterpret_cast<LPARAM>(&state));
    // Its windows are gone now, so the message has room to be shown.
    if (ended == -1 || state.noRoom)
        messageBox("The import dialog could not be shown: the system has no room for more windows.", "Error",
                   kErrorBoxFlags);
}

}  // namespace varnel

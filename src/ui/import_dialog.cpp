#include "ui/dialogs.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <string>
#include <vector>

#include "core/delimited_read.h"
#include "core/text.h"
#include "ui/control_ids.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"

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

class ImportDialog final : public DialogSession {
public:
    explicit ImportDialog(const ImportDialogInput& input) : input_(input) {}
    std::optional<ImportOptions> loaded;
    // Load or Cancel could not be made: the dialog ended at once.
    bool noRoom = false;

private:
    void create(HWND dialog) override;
    void clicked(HWND dialog, int id) override;
    bool other(HWND dialog, UINT message, WPARAM, LPARAM) override;
    void loadPressed(HWND dialog);

    const ImportDialogInput& input_;
    // The check box of field i at index i - 1, one for each box made: fewer
    // than the fields when the line has more than the dialog takes boxes, or
    // when the system had no window left. Held here because looking each one
    // up by id walks every control of the dialog.
    std::vector<HWND> fieldBoxes_;
    // The part of the first line past what the names box holds.
    std::string namesRest_;
};

void ImportDialog::create(HWND dialog) {
    const std::string_view line = input_.firstLine;
    const int32_t n = input_.fieldCount;
    const int32_t wanted = std::min(n, gMostFieldBoxes);
    // Sized before the controls exist: moving a window that holds thousands
    // of them costs as much again.
    placeDialog(dialog, owner(), kDialogWidth, grownBy(153, wanted));
    constexpr DWORD child = WS_CHILD | WS_VISIBLE;
    addControl(dialog, "BUTTON", "First line specifies fields:", child | WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON,
               0, IDC_IMPORT_NAMES_FROM_FIRST, 8, 8, 456, 16);
    // A one-line text shows a few hundred characters at most.
    HWND firstLine = addControl(dialog, "STATIC", shownText(line).c_str(), child | SS_LEFTNOWORDWRAP | SS_NOPREFIX, 0,
                                IDC_IMPORT_FIRST_LINE_TEXT, 24, 24, 440, 16);
    addControl(dialog, "BUTTON", "Specify fields manually:", child | WS_TABSTOP | BS_AUTORADIOBUTTON, 0,
               IDC_IMPORT_NAMES_MANUAL, 8, 40, 456, 16);
    HWND names = addControl(dialog, "EDIT", "", child | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
                            IDC_IMPORT_MANUAL_NAMES, 24, 56, 440, 24);
    SendMessageA(names, EM_LIMITTEXT, 0, 0);  // no limit: the first line may be long
    const size_t inBox = std::min(line.size(), kMaxNamesBoxBytes);
    setText(names, std::string(line.substr(0, inBox)));
    namesRest_ = line.substr(inBox);
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
        noRoom = true;
        EndDialog(dialog, 0);
        return;
    }

    // The names are cut from the first line once, and only as many as get a
    // box; cutting the line again for each box would be quadratic in its length.
    const std::vector<std::string> boxNames = splitFields(line, input_.kind, wanted);
    fieldBoxes_.reserve(static_cast<size_t>(wanted));
    for (int32_t i = 1; i <= wanted; ++i) {
        const std::string name =
            static_cast<size_t>(i) <= boxNames.size() ? shownText(boxNames[static_cast<size_t>(i - 1)]) : "";
        const std::string text = "Import field " + std::to_string(i) + " (" + doubledAmpersands(name) + ")";
        HWND box = addControl(dialog, "BUTTON", text.c_str(), child | WS_TABSTOP | BS_AUTOCHECKBOX, 0,
                              IDC_IMPORT_FIELD_BASE + i, 8, grownBy(96, i), 456, 16);
        // Out of window objects: every further box would fail as well.
        if (!box) break;
        SendMessageA(box, BM_SETCHECK, BST_CHECKED, 0);
        fieldBoxes_.push_back(box);
    }
    const int32_t boxes = static_cast<int32_t>(fieldBoxes_.size());
    placeButtons(load, cancel, boxes);
    if (boxes < n) setText(firstLine, fieldsWithoutBoxNote(n, boxes));
    if (boxes < wanted) placeDialog(dialog, owner(), kDialogWidth, grownBy(153, boxes));
    SendMessageA(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(GetModuleHandleA(nullptr), "VARNEL")));
}

// The options as the controls show them; a field without a box is imported,
// as its box would start checked.
void ImportDialog::loadPressed(HWND dialog) {
    ImportOptions options;
    options.importField.assign(static_cast<size_t>(input_.fieldCount), true);
    for (size_t k = 0; k < fieldBoxes_.size(); ++k)
        options.importField[k] = SendMessageA(fieldBoxes_[k], BM_GETCHECK, 0, 0) == BST_CHECKED;
    options.namesFromFirstLine = isChecked(dialog, IDC_IMPORT_NAMES_FROM_FIRST);
    options.manualNamesLine = getItemText(dialog, IDC_IMPORT_MANUAL_NAMES) + namesRest_;
    options.firstLineIsData = isChecked(dialog, IDC_IMPORT_FIRST_IS_DATA);
    if (!input_.load(options)) return;  // refused or failed: the user may try again or cancel
    loaded = std::move(options);
    EndDialog(dialog, 1);
}

void ImportDialog::clicked(HWND dialog, int id) {
    if (id == IDC_IMPORT_LOAD) loadPressed(dialog);
    if (id == IDC_IMPORT_CANCEL) EndDialog(dialog, 0);
}

bool ImportDialog::other(HWND dialog, UINT message, WPARAM, LPARAM) {
    switch (message) {
    case WM_PAINT:
        skipPaintingOffScreen(dialog);
        return false;  // the standard painting follows
    case WM_MOVE:
    case WM_DISPLAYCHANGE:
        repaintDialog(dialog);
        return false;
    default:
        return false;
    }
}

}  // namespace

void setMostFieldBoxes(int32_t boxes) { gMostFieldBoxes = boxes; }

std::optional<ImportOptions> runImportDialog(HWND owner, const ImportDialogInput& input) {
    ImportDialog dialog(input);
    const char* caption = rulesOf(input.kind).importCaption;
    if (!*caption) caption = rulesOf(FileKind::Csv).importCaption;
    const INT_PTR ended = dialog.run(owner, caption);
    // Its windows are gone now, so the message has room to be shown.
    if (ended == -1 || dialog.noRoom)
        messageBox("The import dialog could not be shown: the system has no room for more windows.", "Error",
                   BoxKind::Stop);
    return dialog.loaded;
}

}  // namespace varnel

// The Re-Save button: all rows, or only the selected ones, to a chosen file.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "core/delimited_write.h"
#include "core/file_kind.h"
#include "core/text.h"
#include "ui/app_state.h"
#include "ui/commands.h"
#include "ui/controls.h"
#include "ui/file_dialogs.h"
#include "ui/read_errors.h"
#include "ui/wait_cursor.h"
#include "ui/win32_file_system.h"

namespace varnel {

void saveCommand() {
    CommandScope scope;
    if (!scope.entered()) return;
    const TableDocument& table = app().table;
    if (table.rowCount() == 0) return;
    const int32_t selected = app().selection.count();
    bool onlySelected = false;
    if (selected > 1)
        onlySelected = messageBox("Would you like to save only the " + formatCount(selected) + " selected entries?",
                                  "Warning", MB_YESNO | MB_SYSTEMMODAL) == IDYES;

    const std::string path = askFileToSave(table.currentFileName);
    if (path.empty()) return;

    // The selected rows in ascending order, however they were selected.
    WaitCursor working;
    std::vector<int32_t> rows;
    if (onlySelected) {
        rows = app().selection.items();
        for (int32_t& item : rows) ++item;
    }
    const WriteResult result =
        writeTable(table, path, delimiterForName(path), onlySelected ? &rows : nullptr, win32FileSystem());
    if (!result.ok) {
        showSaveError(path, result.error);
        return;
    }
    messageBox("File has been saved.", "Done", MB_ICONINFORMATION);
}

}  // namespace varnel

// The Load button: choose a file, then import it or define a new one.
#include <windows.h>

#include <string>

#include "core/delimited_read.h"
#include "ui/app_state.h"
#include "ui/commands.h"
#include "ui/controls.h"
#include "ui/edit_commands.h"
#include "ui/file_dialogs.h"
#include "ui/handles.h"
#include "ui/import_dialog.h"
#include "ui/read_errors.h"
#include "ui/wait_cursor.h"
#include "ui/win32_file_system.h"

namespace varnel {
namespace {

// A file counts as there only when a directory search finds an entry of that
// name that is neither hidden, nor a system file, nor a folder.
bool fileIsThere(const std::string& path) {
    WIN32_FIND_DATAA found{};
    UniqueFind search(FindFirstFileA(path.c_str(), &found));
    if (!search) return false;
    do {
        if (!(found.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY)))
            return true;
    } while (FindNextFileA(search.get(), &found));
    return false;
}

}  // namespace

void loadCommand() {
    CommandScope scope;
    if (!scope.entered()) return;
    TableDocument& table = app().table;
    table.currentFileName = askFileToLoad();
    const std::string path = table.currentFileName;
    if (path.empty()) return;

    if (!fileIsThere(path)) {
        const int answer = messageBox("Would you like to create and define a new file called \"" + path + "\"?",
                                      "New File", MB_YESNO | MB_SYSTEMMODAL);
        if (answer == IDYES) {
            app().newFileFieldCount = 3;
            showNewFileDialog(app().mainWindow);
        }
        return;
    }

    std::string firstLine;
    WaitCursor working;
    const ReadResult result = readFirstLine(win32FileSystem(), path, firstLine);
    if (!result.ok) {
        showReadError(path, result.error);
        return;
    }
    table.firstLine = std::move(firstLine);
    runImportDialog(app().mainWindow);
}

}  // namespace varnel

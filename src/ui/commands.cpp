#include "ui/commands.h"

#include <new>
#include <string>

#include "edit/table_commands.h"
#include "search/row_search.h"
#include "ui/control_ids.h"
#include "ui/controls.h"
#include "ui/table_view.h"
#include "ui/win32_table_window.h"

namespace varnel {
namespace {

// Runs `command` on the real window. What it could not handle itself is
// said in a box: "Not enough memory to <what>." when memory ran out. The
// commands leave the table, list and title consistent when they fail.
template <typename Describe, typename Command>
void runOnWindow(AppContext& context, Describe what, Command command) {
    try {
        Win32TableWindow window(context);
        command(window);
    } catch (const std::bad_alloc&) {
        messageBox("Not enough memory to " + what() + ".", "Error", BoxKind::Stop);
    } catch (const std::exception& e) {
        messageBox("Could not " + what() + ": " + e.what(), "Error", BoxKind::Stop);
    } catch (...) {
        messageBox("Could not " + what() + ".", "Error", BoxKind::Stop);
    }
    finishCommand(context);
}

auto saying(const char* what) {
    return [what] { return std::string(what); };
}

}  // namespace

void finishCommand(AppContext& context) {
    if (context.commandRunning || !context.closeRequested) return;
    context.closeRequested = false;
    if (context.mainWindow) PostMessageA(context.mainWindow, WM_CLOSE, 0, 0);
}

void loadCommand(AppContext& context) {
    runOnWindow(context, [&] { return "load \"" + context.table.currentFileName + "\""; }, [&](Win32TableWindow& window) { loadCommand(context, window); });
}

void saveCommand(AppContext& context) {
    runOnWindow(context, saying("save the table"), [&](Win32TableWindow& window) { saveCommand(context, window); });
}

void searchCommand(AppContext& context) {
    runOnWindow(context, saying("search the table"), [&](Win32TableWindow& window) {
        const SearchRequest request{getItemText(context.mainWindow, IDC_SEARCH_TEXT), fieldSelectorName(context)};
        searchCommand(context, window, request);
    });
}

void sortCommand(AppContext& context, int32_t column) {
    runOnWindow(context, saying("sort the table"), [&](Win32TableWindow& window) { sortCommand(context, window, column); });
}

void insertRowCommand(AppContext& context) {
    runOnWindow(context, saying("insert a row"), [&](Win32TableWindow& window) { insertRowCommand(context, window); });
}

void deleteRowsCommand(AppContext& context) {
    runOnWindow(context, saying("delete the rows"), [&](Win32TableWindow& window) { deleteRowsCommand(context, window); });
}

void editRowCommand(AppContext& context) {
    runOnWindow(context, saying("change the row"), [&](Win32TableWindow& window) { editRowCommand(context, window); });
}

}  // namespace varnel

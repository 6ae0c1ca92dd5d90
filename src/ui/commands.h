// The commands of the main window's buttons.
#pragma once

namespace varnel {

void loadCommand();    // Load: the open-file dialog, then the import dialog
void saveCommand();    // Re-Save: all rows or the selected ones
void searchCommand();  // Search / Search+Replace

}  // namespace varnel

// The main window's commands on the real window. Each runs the command on
// the context's session through the window interface; a failure it could
// not handle itself (no memory left, for one) is reported in a box naming
// what failed, and a close that came while it ran is carried out after it.
#pragma once

#include <cstdint>

#include "ui/app_context.h"

namespace varnel {

void loadCommand(AppContext& context);
void saveCommand(AppContext& context);
void searchCommand(AppContext& context);
void sortCommand(AppContext& context, int32_t column);
void insertRowCommand(AppContext& context);
void deleteRowsCommand(AppContext& context);
void editRowCommand(AppContext& context);

// After a command, or anything else that holds the command scope (the row
// menu): a close that came meanwhile is carried out now.
void finishCommand(AppContext& context);

}  // namespace varnel

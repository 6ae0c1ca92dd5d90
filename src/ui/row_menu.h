// The table list's row menu: its subclassing procedure, which also hands the
// list's selecting input to list_selection.
#pragma once

#include <windows.h>

namespace varnel {

struct AppContext;

// Subclasses the table list: the list's own procedure is kept in the context.
void subclassTableList(AppContext& context, HWND list);

}  // namespace varnel

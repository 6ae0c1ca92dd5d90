#include "ui/app_context.h"

namespace varnel {

AppContext& contextOf(HWND window) {
    // Controls are children of the main window, dialogs are owned by it.
    HWND main = GetAncestor(window, GA_ROOTOWNER);
    return *reinterpret_cast<AppContext*>(GetWindowLongPtrA(main ? main : window, DWLP_USER));
}

void attachContext(HWND mainWindow, AppContext& context) {
    SetWindowLongPtrA(mainWindow, DWLP_USER, reinterpret_cast<LONG_PTR>(&context));
}

HWND tableList(const AppContext& context) { return GetDlgItem(context.mainWindow, IDC_TABLE_LIST); }

}  // namespace varnel

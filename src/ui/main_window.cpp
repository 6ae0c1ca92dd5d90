#include "ui/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "core/text.h"
#include "ui/app_context.h"
#include "ui/commands.h"
#include "ui/controls.h"
#include "ui/dialog_builder.h"
#include "ui/list_selection.h"
#include "ui/row_menu.h"
#include "ui/table_view.h"

namespace varnel {
namespace {

constexpr DWORD kMainWindowStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                   WS_MAXIMIZEBOX | WS_CLIPSIBLINGS | DS_MODALFRAME | DS_3DLOOK |
                                   DS_NOFAILCREATE | DS_SETFONT | DS_CENTER;
constexpr int kClientWidth = 803;
constexpr int kClientHeight = 343;
constexpr int kMinimumWidth = 705;
constexpr int kMinimumHeight = 213;

constexpr const char* kWelcomeRows[] = {
    "Load CSV file to seed table with values.",
    "",
    "Visit the Varnel web page to find out more and to get the latest version.",
    "Questions or ideas? Write to the author by e-mail; every message gets an answer.",
    "",
    "P.S. If Varnel saves you time, you can support it with a small gift through an online payment service.",
};

struct ControlSpec {
    int id;
    const char* className;
    const char* text;
    int x, y, width, height;
    DWORD style;
    DWORD exStyle;
};

constexpr DWORD kLabelStyle = WS_CHILD | WS_VISIBLE | SS_CENTER | SS_CENTERIMAGE;
constexpr DWORD kButtonStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON;

constexpr ControlSpec kControls[] = {
    {IDC_SEARCH_LABEL, "STATIC", "Search for", 8, 8, 56, 20, kLabelStyle, 0},
    {IDC_SEARCH_TEXT, "EDIT", "", 72, 8, 200, 20, WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL,
     WS_EX_CLIENTEDGE},
    {IDC_FIELD_LABEL, "STATIC", "in", 272, 8, 24, 20, kLabelStyle, 0},
    {IDC_FIELD_COMBO, "COMBOBOX", "", 296, 8, 184, 144,
     WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_SORT | CBS_HASSTRINGS, WS_EX_CLIENTEDGE},
    {IDC_SEARCH_BUTTON, "BUTTON", "Search", 488, 8, 53, 20, kButtonStyle, 0},
    {IDC_LOAD_BUTTON, "BUTTON", "Load", 672, 8, 48, 20, kButtonStyle, 0},
    {IDC_RESAVE_BUTTON, "BUTTON", "Re-Save", 728, 8, 64, 20, kButtonStyle, 0},
    {IDC_TABLE_LIST, WC_LISTVIEWA, "", 8, 40, 784, 288, kTableListStyle, 0},
};

void fillWelcomeList(HWND list) {
    LVCOLUMNA column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.fmt = LVCFMT_LEFT;
    column.cx = 700;
    char header[] = "Awaiting something to do...";
    column.pszText = header;
    SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kTableListExStyle);
    int index = 0;
    for (const char* row : kWelcomeRows) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.iItem = index++;
        item.pszText = const_cast<char*>(row);
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
}

void createControls(HWND window) {
    for (const ControlSpec& c : kControls)
        addControl(window, c.className, c.text, c.style, c.exStyle, c.id, c.x, c.y, c.width, c.height);
    SendMessageA(GetDlgItem(window, IDC_FIELD_COMBO), CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(kAllFieldsItem));
    fillWelcomeList(GetDlgItem(window, IDC_TABLE_LIST));
}

void switchSearchMode(AppContext& context) {
    HWND button = GetDlgItem(context.mainWindow, IDC_SEARCH_BUTTON);
    SearchState& search = context.search;
    search.replaceMode = !search.replaceMode;
    sizeControl(button, search.replaceMode ? 99 : 53, 20);
    setText(button, search.replaceMode ? "Search+Replace" : "Search");
}

// Returns true when the notification has a result of its own (then in
// DWLP_MSGRESULT).
bool onNotify(AppContext& context, NMHDR& header) {
    if (header.idFrom != IDC_TABLE_LIST) return false;
    // Display requests are answered even while a command runs.
    if (header.code == LVN_GETDISPINFOA) {
        fillDisplayInfo(context, reinterpret_cast<NMLVDISPINFOA&>(header));
        return false;
    }
    if (header.code == LVN_GETDISPINFOW) {
        fillDisplayInfo(context, reinterpret_cast<NMLVDISPINFOW&>(header));
        return false;
    }
    LRESULT result = 0;
    // The owner-data list asks its owner to find an item by its text (the
    // user typing in the list).
    if (header.code == LVN_ODFINDITEMA || header.code == LVN_ODFINDITEMW) {
        result = typedItemFound(context, header.code == LVN_ODFINDITEMA
                                             ? findListItem(context, reinterpret_cast<const NMLVFINDITEMA&>(header))
                                             : findListItem(context, reinterpret_cast<const NMLVFINDITEMW&>(header)));
        SetWindowLongPtrA(context.mainWindow, DWLP_MSGRESULT, result);
        return true;
    }
    if (handleSelectionNotify(context, header, result)) {
        SetWindowLongPtrA(context.mainWindow, DWLP_MSGRESULT, result);
        return true;
    }
    if (context.commandRunning) return false;
    switch (header.code) {
    case LVN_KEYDOWN: {
        const auto& key = reinterpret_cast<const NMLVKEYDOWN&>(header);
        if (key.wVKey == VK_DELETE || key.wVKey == VK_BACK) deleteRowsCommand(context);
        break;
    }
    case NM_DBLCLK:
        editRowCommand(context);
        break;
    case LVN_COLUMNCLICK: {
        const auto& click = reinterpret_cast<const NMLISTVIEW&>(header);
        if (click.iSubItem != -1) sortCommand(context, click.iSubItem + 1);
        break;
    }
    default:
        break;
    }
    return false;
}

void onCommand(AppContext& context, WPARAM wParam) {
    if (context.commandRunning) return;
    const int id = LOWORD(wParam);
    const int code = HIWORD(wParam);
    switch (id) {
    case IDC_SEARCH_BUTTON:
        if (code <= 1) searchCommand(context);
        return;
    case IDC_LOAD_BUTTON:
        if (code <= 1) loadCommand(context);
        return;
    case IDC_RESAVE_BUTTON:
        if (code <= 1) saveCommand(context);
        return;
    case IDM_EDIT_ROW:
        editRowCommand(context);
        return;
    case IDM_INSERT_ROW:
        insertRowCommand(context);
        return;
    case IDM_DELETE_ROW:
        deleteRowsCommand(context);
        return;
    default:
        return;
    }
}

// The close box, the system menu's Close and Alt+F4 all end here. While a
// command waits in a message box the close is held until it ends.
void onClose(AppContext& context) {
    if (context.commandRunning) {
        context.closeRequested = true;
        return;
    }
    DestroyWindow(context.mainWindow);
}

}  // namespace

void startProgram() {
    if (HMODULE library = LoadLibraryA("COMCTL32.DLL")) {
        using InitEx = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
        auto initEx = reinterpret_cast<InitEx>(reinterpret_cast<void*>(GetProcAddress(library, "InitCommonControlsEx")));
        if (initEx) {
            INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_INTERNET_CLASSES};
            initEx(&init);
        } else {
            InitCommonControls();
        }
        FreeLibrary(library);
    }
    LowerCaseTable lower{};
    for (int c = 0; c < 256; ++c) lower[c] = static_cast<unsigned char>(c);
    char bytes[256];
    for (int c = 0; c < 256; ++c) bytes[c] = static_cast<char>(c);
    // Byte 0 would end nothing here: CharLowerBuffA takes a length.
    CharLowerBuffA(bytes + 1, 255);
    for (int c = 1; c < 256; ++c) lower[c] = static_cast<unsigned char>(bytes[c]);
    setLowerCaseTable(lower);
}

HWND createMainWindow(AppContext& context) {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    context.instance = instance;
    const std::vector<WORD> dialogTemplate = buildDialogTemplate("Varnel", kMainWindowStyle, WS_EX_CONTROLPARENT);
    HWND window = CreateDialogIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialogTemplate.data()),
                                             nullptr, mainWindowProc, reinterpret_cast<LPARAM>(&context));
    if (!window) return nullptr;

    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    setClientSize(window, 0, 0, kClientWidth, kClientHeight, SWP_NOMOVE);
    RECT placed{};
    GetWindowRect(window, &placed);
    const int width = placed.right - placed.left;
    const int height = placed.bottom - placed.top;
    SetWindowPos(window, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    createControls(window);
    SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(LoadIconA(instance, "VARNEL")));
    subclassTableList(context, GetDlgItem(window, IDC_TABLE_LIST));

    // The controls are placed for the real frame before the first paint.
    SendMessageA(window, WM_SIZE, SIZE_RESTORED, MAKELPARAM(kClientWidth, kClientHeight));
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    return window;
}

bool preTranslateMainWindowMessage(const AppContext& context, MSG& message) {
    HWND window = context.mainWindow;
    return window && IsWindow(window) && IsDialogMessageA(window, &message);
}

void runMainWindow(const AppContext& context) {
    MSG message{};
    while (context.mainWindow && IsWindow(context.mainWindow)) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            WaitMessage();
            continue;
        }
        if (message.message == WM_QUIT) break;
        if (preTranslateMainWindowMessage(context, message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void layoutMainWindow(AppContext& context, int width, int height) {
    HWND window = context.mainWindow;
    if (width < kMinimumWidth || height < kMinimumHeight) {
        width = std::max(width, kMinimumWidth);
        height = std::max(height, kMinimumHeight);
        SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    moveControl(GetDlgItem(window, IDC_LOAD_BUTTON), width - 147, 8);
    moveControl(GetDlgItem(window, IDC_RESAVE_BUTTON), width - 91, 8);
    HWND list = GetDlgItem(window, IDC_TABLE_LIST);
    sizeControl(list, width - 35, height - 90);
    for (int32_t k = 1; k <= context.table.fieldCount(); ++k)
        SendMessageA(list, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(k - 1), fitColumnWidth(context.columns, k, width));
    RedrawWindow(GetDlgItem(window, IDC_RESAVE_BUTTON), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto& context = *reinterpret_cast<AppContext*>(lParam);
        context.mainWindow = window;
        attachContext(window, context);
        return 0;
    }
    auto* found = reinterpret_cast<AppContext*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!found) return 0;
    AppContext& context = *found;
    try {
        switch (message) {
        case WM_CONTEXTMENU:
            if (!context.commandRunning && GetDlgCtrlID(reinterpret_cast<HWND>(wParam)) == IDC_SEARCH_BUTTON)
                switchSearchMode(context);
            break;
        case WM_SIZE:
            // Sizes before the controls exist, and the minimised state, carry no layout.
            if (GetDlgItem(window, IDC_TABLE_LIST) && wParam != SIZE_MINIMIZED) {
                RECT outer{};
                GetWindowRect(window, &outer);
                layoutMainWindow(context, outer.right - outer.left, outer.bottom - outer.top);
            }
            break;
        case WM_NCACTIVATE:
            rememberFocus(context.savedFocus, wParam);
            break;
        case WM_NOTIFY:
            if (onNotify(context, *reinterpret_cast<NMHDR*>(lParam))) return TRUE;
            break;
        case WM_COMMAND:
            onCommand(context, wParam);
            break;
        case WM_CLOSE:
            onClose(context);
            return TRUE;  // the standard processing would turn it into IDCANCEL
        case WM_DESTROY:
            context.savedFocus = nullptr;
            break;
        default:
            break;
        }
    } catch (...) {
        // The commands report their own failures; what is left here (no
        // memory while laying out the window) has nothing to undo.
    }
    return 0;
}

}  // namespace varnel

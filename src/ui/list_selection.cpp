#include "ui/list_selection.h"

#include <vector>

#include "edit/row_selection.h"
#include "ui/app_state.h"

namespace varnel {
namespace {

// While the list's own procedure runs in callListQuietly: what it selected
// on its own, to be dropped again afterwards.
struct QuietPass {
    bool active = false;
    std::vector<int32_t> listSelected;
};
QuietPass g_quiet;

// Set while the list handles a typed character (its search by first letters).
bool g_typing = false;

// Whether the left button went down on the list and is still down, as the
// list itself tracks it (a move without the button ends it).
bool g_leftDown = false;

// While a selection rectangle is dragged: the list keeps the selection in
// its own record (the callback is off), and the program follows each change
// it reports.
bool g_rectangle = false;

bool isTableList(HWND list) {
    return list == tableList() && (GetWindowLongPtrA(list, GWL_STYLE) & LVS_OWNERDATA) != 0;
}

LRESULT callList(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(app().originalListProc, list, message, wParam, lParam);
}

// The list's own record of one item's selected state (used only while the
// callback mask is off).
void setListOwnSelected(HWND list, int32_t item, bool selected) {
    LVITEMA state{};
    state.stateMask = LVIS_SELECTED;
    state.state = selected ? LVIS_SELECTED : 0;
    callList(list, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
}

SelectionCursor readCursor(HWND list) {
    SelectionCursor cursor;
    cursor.focus = static_cast<int32_t>(callList(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    cursor.mark = static_cast<int32_t>(callList(list, LVM_GETSELECTIONMARK, 0, 0));
    return cursor;
}

// Gives the list the focus and mark the program decided on.
void applyCursor(HWND list, const SelectionCursor& cursor) {
    const SelectionCursor now = readCursor(list);
    if (cursor.focus >= 0 && cursor.focus != now.focus) {
        // Moving the focus also scrolls the item fully into view.
        LVITEMA state{};
        state.stateMask = LVIS_FOCUSED;
        state.state = LVIS_FOCUSED;
        callList(list, LVM_SETITEMSTATE, static_cast<WPARAM>(cursor.focus), reinterpret_cast<LPARAM>(&state));
    }
    if (cursor.mark != now.mark) callList(list, LVM_SETSELECTIONMARK, 0, cursor.mark);
}

// The item under a point of the list's client area, as the list's own
// clicks find it (anywhere on the row; nothing right of the last column).
int32_t itemAt(HWND list, LPARAM point) {
    LVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(point));
    hit.pt.y = static_cast<short>(HIWORD(point));
    const int32_t item = static_cast<int32_t>(callList(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return item >= 0 && item < app().selection.size() ? item : -1;
}

bool keyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool navigationKey(WPARAM key, NavigationKey& out) {
    switch (key) {
    case VK_HOME: out = NavigationKey::Home; return true;
    case VK_END: out = NavigationKey::End; return true;
    case VK_UP: out = NavigationKey::Up; return true;
    case VK_DOWN: out = NavigationKey::Down; return true;
    case VK_PRIOR: out = NavigationKey::PageUp; return true;
    case VK_NEXT: out = NavigationKey::PageDown; return true;
    case VK_SPACE: out = NavigationKey::Space; return true;
    default: return false;
    }
}

// A selecting key, as the list handles it: the key notification to the
// owner first, then the selection, the focus, the scroll and a repaint.
void onNavigationKey(HWND list, WPARAM key, NavigationKey which) {
    NMLVKEYDOWN notice{};
    notice.hdr.hwndFrom = list;
    notice.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    notice.hdr.code = LVN_KEYDOWN;
    notice.wVKey = static_cast<WORD>(key);
    SendMessageA(GetParent(list), WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
    if (!IsWindow(list) || !isTableList(list)) return;
    SelectionCursor cursor = readCursor(list);
    const int32_t top = static_cast<int32_t>(callList(list, LVM_GETTOPINDEX, 0, 0));
    const int32_t perPage = static_cast<int32_t>(callList(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int32_t target = navigate(app().selection, cursor, which, keyDown(VK_SHIFT), keyDown(VK_CONTROL), top, perPage);
    if (target >= 0) {
        applyCursor(list, cursor);
        callList(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(target), FALSE);
        showSelection();
    }
    UpdateWindow(list);
}

// The rectangle's rows are the program's selection already: the list's own
// record is emptied again and the callback comes back.
void endRectangle(HWND list) {
    g_rectangle = false;
    if (!IsWindow(list)) return;
    g_quiet.active = true;
    for (int32_t item = app().selection.next(-1); item >= 0; item = app().selection.next(item))
        setListOwnSelected(list, item, false);
    g_quiet.active = false;
    callList(list, LVM_SETCALLBACKMASK, LVIS_SELECTED, 0);
    showSelection();
}

LRESULT onLeftButtonDown(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_rectangle) endRectangle(list);  // its button-up never came
    const int32_t item = itemAt(list, lParam);
    const bool shift = (wParam & MK_SHIFT) != 0;
    const bool ctrl = (wParam & MK_CONTROL) != 0;
    RowSelection& selection = app().selection;
    const bool wasSelected = selection.contains(item);
    SelectionCursor cursor = readCursor(list);
    clickSelect(selection, cursor, app().clicks, item, shift, ctrl);
    g_leftDown = true;
    // The list then does its own part (focus, the pending single selection,
    // drags) on a record that holds only what it reads: the clicked item's
    // state for a plain or Ctrl click. A Shift range from the mark would
    // walk every row in it: the mark is moved to the item meanwhile.
    if (shift && item >= 0) callList(list, LVM_SETSELECTIONMARK, 0, item);
    const LRESULT result = callListQuietly(list, message, wParam, lParam, !shift && wasSelected ? item : -1);
    if (IsWindow(list) && isTableList(list)) {
        applyCursor(list, cursor);
        showSelection();
    }
    return result;
}

LRESULT onLeftButtonUp(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_rectangle) {
        g_leftDown = false;
        const LRESULT result = callList(list, message, wParam, lParam);
        endRectangle(list);
        return result;
    }
    const int32_t item = itemAt(list, lParam);
    SelectionCursor cursor = readCursor(list);
    const int32_t pending = app().clicks.pendingSingle;
    if (g_leftDown) releaseSelect(app().selection, cursor, app().clicks, item);
    g_leftDown = false;
    const LRESULT result = callListQuietly(list, message, wParam, lParam);
    if (pending >= 0 && IsWindow(list) && isTableList(list)) {
        applyCursor(list, cursor);
        showSelection();
    }
    return result;
}

LRESULT onRightButtonDown(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    const int32_t item = itemAt(list, lParam);
    SelectionCursor cursor = readCursor(list);
    rightClickSelect(app().selection, cursor, item, (wParam & MK_SHIFT) != 0, (wParam & MK_CONTROL) != 0);
    applyCursor(list, cursor);
    showSelection();
    // On an item the list now finds it selected (or is told to leave it by
    // Shift or Ctrl) and only tracks the mouse and asks for the row menu,
    // which shows with the selection painted. Below the rows it deselects
    // every item: nothing is selected any more, so it may do so quietly.
    if (item >= 0) return callList(list, message, wParam, lParam);
    return callListQuietly(list, message, wParam, lParam);
}

// Programs (and tests) that set an item's selected state through the list
// set it here; the rest of the state (the focus) stays the list's.
LRESULT onSetItemState(HWND list, WPARAM wParam, LPARAM lParam) {
    const auto* wanted = reinterpret_cast<const LVITEMA*>(lParam);
    if (!wanted) return FALSE;
    const int32_t item = static_cast<int32_t>(static_cast<int>(wParam));
    if (wanted->stateMask & LVIS_SELECTED) {
        const bool selected = (wanted->state & LVIS_SELECTED) != 0;
        if (item == -1)
            app().selection.setAll(selected);
        else if (item >= 0 && item < app().selection.size())
            app().selection.set(item, selected);
        else
            return FALSE;
        showSelection();
    }
    if (!(wanted->stateMask & ~static_cast<UINT>(LVIS_SELECTED))) return TRUE;
    LVITEMA rest = *wanted;
    rest.stateMask &= ~static_cast<UINT>(LVIS_SELECTED);
    return callList(list, LVM_SETITEMSTATE, wParam, reinterpret_cast<LPARAM>(&rest));
}

template <typename Item>
void fillState(Item& item) {
    if (!(item.mask & LVIF_STATE) || !(item.stateMask & LVIS_SELECTED) || item.iSubItem != 0) return;
    item.state &= ~static_cast<UINT>(LVIS_SELECTED);
    if (app().selection.contains(item.iItem)) item.state |= LVIS_SELECTED;
}

void noteListSelected(int32_t first, int32_t last) {
    for (int32_t i = first; i <= last && g_quiet.listSelected.size() < 64; ++i) g_quiet.listSelected.push_back(i);
}

}  // namespace

LRESULT callListQuietly(HWND list, UINT message, WPARAM wParam, LPARAM lParam, int32_t mirroredItem) {
    // The list's "deselect all" (on every plain click) asks each item for
    // its state while the state is a callback: with the callback off and the
    // list's own record empty it finds nothing and returns at once. Whatever
    // the list selects in its own record meanwhile is noted and dropped.
    const bool nested = g_quiet.active;
    if (!nested) {
        g_quiet.active = true;
        g_quiet.listSelected.clear();
        callList(list, LVM_SETCALLBACKMASK, 0, 0);
        if (mirroredItem >= 0) {
            g_quiet.listSelected.push_back(mirroredItem);
            setListOwnSelected(list, mirroredItem, true);
        }
    }
    const LRESULT result = callList(list, message, wParam, lParam);
    if (!nested) {
        if (IsWindow(list)) {
            for (int32_t item : g_quiet.listSelected) setListOwnSelected(list, item, false);
            callList(list, LVM_SETCALLBACKMASK, LVIS_SELECTED, 0);
        }
        g_quiet.listSelected.clear();
        g_quiet.active = false;
    }
    return result;
}

void attachSelection(HWND list, int32_t rows) {
    app().selection.reset(rows);
    app().clicks.pendingSingle = -1;
    g_leftDown = false;
    g_rectangle = false;
    SendMessageA(list, LVM_SETCALLBACKMASK, LVIS_SELECTED, 0);
}

bool handleSelectionMessage(HWND list, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (g_quiet.active || !isTableList(list)) return false;
    switch (message) {
    case WM_LBUTTONDOWN:
        result = onLeftButtonDown(list, message, wParam, lParam);
        return true;
    case WM_LBUTTONUP:
        result = onLeftButtonUp(list, message, wParam, lParam);
        return true;
    case WM_MOUSEMOVE:
        if (!(wParam & MK_LBUTTON)) g_leftDown = false;
        if (g_leftDown) dragOver(app().clicks, itemAt(list, lParam));
        return false;
    case WM_RBUTTONDOWN:
        result = onRightButtonDown(list, message, wParam, lParam);
        return true;
    case WM_KEYDOWN: {
        NavigationKey key;
        if (!navigationKey(wParam, key)) return false;
        onNavigationKey(list, wParam, key);
        result = 0;
        return true;
    }
    case WM_CHAR:
        g_typing = true;
        result = callList(list, message, wParam, lParam);
        g_typing = false;
        return true;
    case LVM_SETITEMSTATE:
        result = onSetItemState(list, wParam, lParam);
        return true;
    default:
        return false;
    }
}

bool handleSelectionNotify(const NMHDR& header, LRESULT& result) {
    HWND list = header.hwndFrom;
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!(change.uChanged & LVIF_STATE) || !((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) return false;
        const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
        if (g_quiet.active) {
            if (selected && change.iItem >= 0) noteListSelected(change.iItem, change.iItem);
            return false;
        }
        if (!isTableList(list)) return false;
        // Lists that report changes of callback states (item -1: all items).
        if (change.iItem == -1)
            app().selection.setAll(selected);
        else
            app().selection.set(change.iItem, selected);
        showSelection();
        return false;
    }
    case LVN_ODSTATECHANGED: {
        const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
        if (!((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) return false;
        const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
        if (g_quiet.active) {
            if (selected) noteListSelected(change.iFrom, change.iTo);
            return false;
        }
        if (!isTableList(list)) return false;
        RowSelection& selection = app().selection;
        if (selected) {
            selection.selectRange(change.iFrom, change.iTo);
        } else {
            for (int32_t i = change.iFrom; i <= change.iTo; ++i) selection.set(i, false);
        }
        showSelection();
        return false;
    }
    case LVN_MARQUEEBEGIN:
        // A drag from below the rows after a plain click there, which left
        // nothing selected: the list selects what the rectangle covers in
        // its own record, now as empty as the program's, and reports each
        // change. With rows still selected (Ctrl or Shift held at the click)
        // the rectangle is not started: the list's record would not hold them.
        if (!isTableList(list) || app().selection.count() > 0) {
            result = 1;
            return true;
        }
        g_rectangle = true;
        callList(list, LVM_SETCALLBACKMASK, 0, 0);
        result = 0;
        return true;
    default:
        return false;
    }
}

int typedItemFound(int found) {
    HWND list = tableList();
    if (!g_typing || found < 0 || !list) return found;
    SelectionCursor cursor = readCursor(list);
    keySelect(app().selection, cursor, found, keyDown(VK_SHIFT), keyDown(VK_CONTROL), false);
    applyCursor(list, cursor);
    callList(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(found), FALSE);
    showSelection();
    UpdateWindow(list);
    return -1;
}

void fillSelectionState(LVITEMA& item) { fillState(item); }
void fillSelectionState(LVITEMW& item) { fillState(item); }

void showSelection() {
    if (HWND list = tableList()) InvalidateRect(list, nullptr, TRUE);
}

}  // namespace varnel

#include "ui/list_selection.h"

#include <vector>

#include "edit/row_selection.h"
#include "ui/app_context.h"

namespace varnel {
namespace {

bool isTableList(const AppContext& context, HWND list) {
    return list == tableList(context) && (GetWindowLongPtrA(list, GWL_STYLE) & LVS_OWNERDATA) != 0;
}

LRESULT callList(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(contextOf(list).originalListProc, list, message, wParam, lParam);
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
    AppContext& context = contextOf(list);
    LVHITTESTINFO hit{};
    hit.pt.x = static_cast<short>(LOWORD(point));
    hit.pt.y = static_cast<short>(HIWORD(point));
    const int32_t item = static_cast<int32_t>(callList(list, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    return item >= 0 && item < context.selection.size() ? item : -1;
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
    AppContext& context = contextOf(list);
    NMLVKEYDOWN notice{};
    notice.hdr.hwndFrom = list;
    notice.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(list));
    notice.hdr.code = LVN_KEYDOWN;
    notice.wVKey = static_cast<WORD>(key);
    SendMessageA(GetParent(list), WM_NOTIFY, notice.hdr.idFrom, reinterpret_cast<LPARAM>(&notice));
    if (!IsWindow(list) || !isTableList(context, list)) return;
    SelectionCursor cursor = readCursor(list);
    const int32_t top = static_cast<int32_t>(callList(list, LVM_GETTOPINDEX, 0, 0));
    const int32_t perPage = static_cast<int32_t>(callList(list, LVM_GETCOUNTPERPAGE, 0, 0));
    const int32_t target = navigate(context.selection, cursor, which, keyDown(VK_SHIFT), keyDown(VK_CONTROL), top, perPage);
    if (target >= 0) {
        applyCursor(list, cursor);
        callList(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(target), FALSE);
        showSelection(context);
    }
    UpdateWindow(list);
}

// The rectangle's rows are the program's selection already: the list's own
// record is emptied again and the callback comes back.
void endRectangle(HWND list) {
    AppContext& context = contextOf(list);
    context.listInput.rectangle = false;
    if (!IsWindow(list)) return;
    context.listInput.quiet = true;
    for (int32_t item = context.selection.next(-1); item >= 0; item = context.selection.next(item))
        setListOwnSelected(list, item, false);
    context.listInput.quiet = false;
    callList(list, LVM_SETCALLBACKMASK, LVIS_SELECTED, 0);
    showSelection(context);
}

LRESULT onLeftButtonDown(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    AppContext& context = contextOf(list);
    if (context.listInput.rectangle) endRectangle(list);  // its button-up never came
    const int32_t item = itemAt(list, lParam);
    const bool shift = (wParam & MK_SHIFT) != 0;
    const bool ctrl = (wParam & MK_CONTROL) != 0;
    RowSelection& selection = context.selection;
    const bool wasSelected = selection.contains(item);
    SelectionCursor cursor = readCursor(list);
    clickSelect(selection, cursor, context.listInput.clicks, item, shift, ctrl);
    context.listInput.leftDown = true;
    // The list then does its own part (focus, the pending single selection,
    // drags) on a record that holds only what it reads: the clicked item's
    // state for a plain or Ctrl click. A Shift range from the mark would
    // walk every row in it: the mark is moved to the item meanwhile.
    if (shift && item >= 0) callList(list, LVM_SETSELECTIONMARK, 0, item);
    const LRESULT result = callListQuietly(list, message, wParam, lParam, !shift && wasSelected ? item : -1);
    if (IsWindow(list) && isTableList(context, list)) {
        applyCursor(list, cursor);
        showSelection(context);
    }
    return result;
}

LRESULT onLeftButtonUp(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    AppContext& context = contextOf(list);
    if (context.listInput.rectangle) {
        context.listInput.leftDown = false;
        const LRESULT result = callList(list, message, wParam, lParam);
        endRectangle(list);
        return result;
    }
    const int32_t item = itemAt(list, lParam);
    SelectionCursor cursor = readCursor(list);
    const int32_t pending = context.listInput.clicks.pendingSingle;
    if (context.listInput.leftDown) releaseSelect(context.selection, cursor, context.listInput.clicks, item);
    context.listInput.leftDown = false;
    const LRESULT result = callListQuietly(list, message, wParam, lParam);
    if (pending >= 0 && IsWindow(list) && isTableList(context, list)) {
        applyCursor(list, cursor);
        showSelection(context);
    }
    return result;
}

LRESULT onRightButtonDown(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    AppContext& context = contextOf(list);
    const int32_t item = itemAt(list, lParam);
    SelectionCursor cursor = readCursor(list);
    rightClickSelect(context.selection, cursor, item, (wParam & MK_SHIFT) != 0, (wParam & MK_CONTROL) != 0);
    applyCursor(list, cursor);
    showSelection(context);
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
    AppContext& context = contextOf(list);
    const auto* wanted = reinterpret_cast<const LVITEMA*>(lParam);
    if (!wanted) return FALSE;
    const int32_t item = static_cast<int32_t>(static_cast<int>(wParam));
    if (wanted->stateMask & LVIS_SELECTED) {
        const bool selected = (wanted->state & LVIS_SELECTED) != 0;
        if (item == -1)
            context.selection.setAll(selected);
        else if (item >= 0 && item < context.selection.size())
            context.selection.set(item, selected);
        else
            return FALSE;
        showSelection(context);
    }
    if (!(wanted->stateMask & ~static_cast<UINT>(LVIS_SELECTED))) return TRUE;
    LVITEMA rest = *wanted;
    rest.stateMask &= ~static_cast<UINT>(LVIS_SELECTED);
    return callList(list, LVM_SETITEMSTATE, wParam, reinterpret_cast<LPARAM>(&rest));
}

template <typename Item>
void fillState(const AppContext& context, Item& item) {
    if (!(item.mask & LVIF_STATE) || !(item.stateMask & LVIS_SELECTED) || item.iSubItem != 0) return;
    item.state &= ~static_cast<UINT>(LVIS_SELECTED);
    if (context.selection.contains(item.iItem)) item.state |= LVIS_SELECTED;
}

void noteListSelected(AppContext& context, int32_t first, int32_t last) {
    for (int32_t i = first; i <= last && context.listInput.listSelected.size() < 64; ++i) context.listInput.listSelected.push_back(i);
}

}  // namespace

LRESULT callListQuietly(HWND list, UINT message, WPARAM wParam, LPARAM lParam, int32_t mirroredItem) {
    AppContext& context = contextOf(list);
    // The list's "deselect all" (on every plain click) asks each item for
    // its state while the state is a callback: with the callback off and the
    // list's own record empty it finds nothing and returns at once. Whatever
    // the list selects in its own record meanwhile is noted and dropped.
    const bool nested = context.listInput.quiet;
    if (!nested) {
        context.listInput.quiet = true;
        context.listInput.listSelected.clear();
        callList(list, LVM_SETCALLBACKMASK, 0, 0);
        if (mirroredItem >= 0) {
            context.listInput.listSelected.push_back(mirroredItem);
            setListOwnSelected(list, mirroredItem, true);
        }
    }
    const LRESULT result = callList(list, message, wParam, lParam);
    if (!nested) {
        if (IsWindow(list)) {
            for (int32_t item : context.listInput.listSelected) setListOwnSelected(list, item, false);
            callList(list, LVM_SETCALLBACKMASK, LVIS_SELECTED, 0);
        }
        context.listInput.listSelected.clear();
        context.listInput.quiet = false;
    }
    return result;
}

void attachSelection(AppContext& context, HWND list) {
    context.listInput.clicks.pendingSingle = -1;
    context.listInput.leftDown = false;
    context.listInput.rectangle = false;
    SendMessageA(list, LVM_SETCALLBACKMASK, LVIS_SELECTED, 0);
}

bool handleSelectionMessage(AppContext& context, HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT& result) {
    if (context.listInput.quiet || !isTableList(context, list)) return false;
    switch (message) {
    case WM_LBUTTONDOWN:
        result = onLeftButtonDown(list, message, wParam, lParam);
        return true;
    case WM_LBUTTONUP:
        result = onLeftButtonUp(list, message, wParam, lParam);
        return true;
    case WM_MOUSEMOVE:
        if (!(wParam & MK_LBUTTON)) context.listInput.leftDown = false;
        if (context.listInput.leftDown) dragOver(context.listInput.clicks, itemAt(list, lParam));
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
        context.listInput.typing = true;
        result = callList(list, message, wParam, lParam);
        context.listInput.typing = false;
        return true;
    case LVM_SETITEMSTATE:
        result = onSetItemState(list, wParam, lParam);
        return true;
    default:
        return false;
    }
}

bool handleSelectionNotify(AppContext& context, const NMHDR& header, LRESULT& result) {
    HWND list = header.hwndFrom;
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        if (!(change.uChanged & LVIF_STATE) || !((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) return false;
        const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
        if (context.listInput.quiet) {
            if (selected && change.iItem >= 0) noteListSelected(context, change.iItem, change.iItem);
            return false;
        }
        if (!isTableList(context, list)) return false;
        // Lists that report changes of callback states (item -1: all items).
        if (change.iItem == -1)
            context.selection.setAll(selected);
        else
            context.selection.set(change.iItem, selected);
        showSelection(context);
        return false;
    }
    case LVN_ODSTATECHANGED: {
        const auto& change = reinterpret_cast<const NMLVODSTATECHANGE&>(header);
        if (!((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) return false;
        const bool selected = (change.uNewState & LVIS_SELECTED) != 0;
        if (context.listInput.quiet) {
            if (selected) noteListSelected(context, change.iFrom, change.iTo);
            return false;
        }
        if (!isTableList(context, list)) return false;
        RowSelection& selection = context.selection;
        if (selected) {
            selection.selectRange(change.iFrom, change.iTo);
        } else {
            for (int32_t i = change.iFrom; i <= change.iTo; ++i) selection.set(i, false);
        }
        showSelection(context);
        return false;
    }
    case LVN_MARQUEEBEGIN:
        // A drag from below the rows after a plain click there, which left
        // nothing selected: the list selects what the rectangle covers in
        // its own record, now as empty as the program's, and reports each
        // change. With rows still selected (Ctrl or Shift held at the click)
        // the rectangle is not started: the list's record would not hold them.
        if (!isTableList(context, list) || context.selection.count() > 0) {
            result = 1;
            return true;
        }
        context.listInput.rectangle = true;
        callList(list, LVM_SETCALLBACKMASK, 0, 0);
        result = 0;
        return true;
    default:
        return false;
    }
}

int typedItemFound(AppContext& context, int found) {
    HWND list = tableList(context);
    if (!context.listInput.typing || found < 0 || !list) return found;
    SelectionCursor cursor = readCursor(list);
    keySelect(context.selection, cursor, found, keyDown(VK_SHIFT), keyDown(VK_CONTROL), false);
    applyCursor(list, cursor);
    callList(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(found), FALSE);
    showSelection(context);
    UpdateWindow(list);
    return -1;
}

void fillSelectionState(const AppContext& context, LVITEMA& item) { fillState(context, item); }
void fillSelectionState(const AppContext& context, LVITEMW& item) { fillState(context, item); }

void showSelection(const AppContext& context) {
    if (HWND list = tableList(context)) InvalidateRect(list, nullptr, TRUE);
}

}  // namespace varnel

// The table list's selection: kept by the program in the context's session and
// shown by the list, which asks for each item's selected state as it paints
// (the state is in the list's callback mask). The list's own handling of the
// keys and clicks that change the selection is kept out of it: the program
// applies the same rules itself (edit/row_selection.h), so that no input
// costs more than the rows it changes, whatever the number of rows.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

namespace varnel {

struct AppContext;

// A new owner-data table list shows the context's selection.
void attachSelection(AppContext& context, HWND list);

// The list's input and state messages that the selection takes over, from
// the list's subclassing procedure. True when handled; `result` is then the
// message's result.
bool handleSelectionMessage(AppContext& context, HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT& result);

// The list's notifications to its owner that concern the selection
// (LVN_ITEMCHANGED, LVN_ODSTATECHANGED, LVN_MARQUEEBEGIN). True when
// handled; `result` is then the notification's result.
bool handleSelectionNotify(AppContext& context, const NMHDR& header, LRESULT& result);

// The list found the item a typed first letter names: when that came from
// the user typing in the list, the program selects it as the list would and
// answers -1 so that the list does nothing more. Returns the answer.
int typedItemFound(AppContext& context, int found);

// The selected state the list asks for while it paints.
void fillSelectionState(const AppContext& context, LVITEMA& item);
void fillSelectionState(const AppContext& context, LVITEMW& item);

// After the program changed the selection: repaints the visible rows.
void showSelection(const AppContext& context);

// Runs the list's own procedure for a message whose selection work the
// program has done already: the list's own record of selected items holds
// only `mirroredItem` (-1: nothing) meanwhile, so that its "deselect all"
// finds nothing to do and what it selects on its own is dropped afterwards.
LRESULT callListQuietly(HWND list, UINT message, WPARAM wParam, LPARAM lParam, int32_t mirroredItem = -1);

}  // namespace varnel

#include "ui/wait_cursor.h"

#include <windows.h>

namespace varnel {
namespace {

int g_depth = 0;
HCURSOR g_before = nullptr;

HCURSOR waitCursor() { return LoadCursorA(nullptr, IDC_WAIT); }

}  // namespace

WaitCursor::WaitCursor() {
    const HCURSOR previous = SetCursor(waitCursor());
    if (g_depth++ == 0) g_before = previous;
}

WaitCursor::~WaitCursor() {
    if (--g_depth == 0) SetCursor(g_before);
}

WaitCursorPause::WaitCursorPause() : active_(g_depth > 0) {
    if (active_) SetCursor(g_before);
}

WaitCursorPause::~WaitCursorPause() {
    if (active_) SetCursor(waitCursor());
}

}  // namespace varnel

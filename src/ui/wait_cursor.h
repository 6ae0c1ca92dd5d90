// The sign that the program works: the wait cursor while a load, sort,
// search, replace, delete or save runs, and the user's own cursor back
// whenever such a command waits for the user in a box or dialog.
#pragma once

namespace varnel {

// Shows the wait cursor for its lifetime (nested ones share it) and puts the
// cursor from before back at the end, also when the command fails.
class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Inside a WaitCursor: the user's cursor for its lifetime (a message box or
// a dialog waiting for an answer), then the wait cursor again.
class WaitCursorPause {
public:
    WaitCursorPause();
    ~WaitCursorPause();
    WaitCursorPause(const WaitCursorPause&) = delete;
    WaitCursorPause& operator=(const WaitCursorPause&) = delete;

private:
    bool active_;
};

}  // namespace varnel

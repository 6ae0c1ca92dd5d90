// The program's one top-level window: start-up, layout and dispatch.
#pragma once

#include <windows.h>

namespace varnel {

struct AppContext;

// Start-up before any window: the common controls (COMCTL32.DLL by name,
// InitCommonControlsEx or else InitCommonControls) and the lower-case table
// taken from the system's ANSI code page.
void startProgram();

// Creates the main window hidden with its controls and welcome list, lays it
// out and shows it. The window keeps `context` (a fresh one) for its life.
HWND createMainWindow(AppContext& context);

// The modal loop: returns when the main window has been destroyed.
void runMainWindow(const AppContext& context);

// Lets the dialog manager see `message` for the main window's keyboard
// navigation; true when it was handled there.
bool preTranslateMainWindowMessage(const AppContext& context, MSG& message);

// Places the controls that follow the window's outer size W x H, after
// raising it to the minimum of 705 x 213.
void layoutMainWindow(AppContext& context, int width, int height);

// The main window's message procedure (returns 0 so that the standard
// dialog processing follows).
INT_PTR CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace varnel

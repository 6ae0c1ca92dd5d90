#include <windows.h>

#include "ui/app_context.h"
#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    try {
        varnel::startProgram();
        varnel::AppContext context;
        varnel::createMainWindow(context);
        varnel::runMainWindow(context);
    } catch (...) {
        return 1;
    }
    return 0;
}

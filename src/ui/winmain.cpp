#include <windows.h>

#include "ui/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        varnel::startProgram(instance);
        varnel::createMainWindow();
        varnel::runMainWindow();
    } catch (...) {
        return 1;
    }
    return 0;
}

// Shared steps of the file-failure tests: loading through the real dialogs,
// the error box a failed read or save shows, and what a folder holds.
#pragma once

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "harness.h"
#include "ui/app_context.h"

namespace failtest {

// The names in a folder, sorted ("." and ".." left out).
inline std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

// An empty folder for one case, with a trailing backslash. Wine reuses
// process ids, so a folder of an earlier run may still be there: its files
// are removed first.
inline std::string caseFolder(const std::string& name) {
    const std::string folder = uitest::testFolder() + name + "\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    for (const std::string& old : folderNames(folder)) {
        SetFileAttributesA((folder + old).c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA((folder + old).c_str());
    }
    return folder;
}

// Loads `path` through the open-file dialog and the import dialog's Load.
inline void loadThroughDialogs(const std::string& path) {
    uitest::onDialog([path](HWND dialog) { uitest::answerFileDialog(dialog, path); });
    uitest::onDialog([](HWND dialog) { uitest::pressButton(dialog, varnel::IDC_IMPORT_LOAD); });
    uitest::click(varnel::IDC_LOAD_BUTTON);
}

// A message box shown with 0x1010: the stop icon, and kept on top of every
// window as a system-modal box is.
inline bool hasStopIconOnTop(HWND box) {
    const LRESULT hand = reinterpret_cast<LRESULT>(LoadIconA(nullptr, IDI_HAND));
    bool icon = false;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (uitest::className(child) == "Static" && SendMessageA(child, STM_GETICON, 0, 0) == hand) icon = true;
    return icon && (GetWindowLongPtrA(box, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

// Expects the error box of a failed read or save: caption "Error", the stop
// icon, a text that names the file and gives a reason after the name. The
// text is kept in `text` for further checks.
inline void expectFileError(const std::string& path, std::string* text = nullptr) {
    uitest::onDialog([path, text](HWND box) {
        CHECK(uitest::isMessageBox(box));
        CHECK_EQ(uitest::windowText(box), "Error");
        CHECK(hasStopIconOnTop(box));
        const std::string said = uitest::boxText(box);
        const size_t at = said.find(path);
        CHECK(at != std::string::npos);
        CHECK(said.size() > path.size() + 30);  // the system's reason follows the name
        CHECK(said.find("has been saved") == std::string::npos);
        if (text) *text = said;
        uitest::pressButton(box, IDOK);
    });
}

// What the main window shows: its title, the column headers and every cell.
inline std::vector<std::string> shownState() {
    using namespace uitest;
    HWND list = control(varnel::IDC_TABLE_LIST);
    std::vector<std::string> state{windowText(mainWindow())};
    const int columns = listColumnCount(list);
    for (int c = 0; c < columns; ++c) state.push_back("header " + listHeader(list, c));
    for (int c = 0; c < columns; ++c)
        for (const std::string& cell : listColumn(list, c)) state.push_back(cell);
    return state;
}

}  // namespace failtest

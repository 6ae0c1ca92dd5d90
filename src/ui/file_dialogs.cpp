#include "ui/file_dialogs.h"

#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <vector>

#include "ui/controls.h"
#include "ui/wait_cursor.h"

namespace varnel {
namespace {

// Room for long paths; the dialog returns nothing longer.
constexpr DWORD kPathCapacity = 32768;

UINT_PTR CALLBACK placeFileDialog(HWND hookDialog, UINT message, WPARAM, LPARAM lParam) {
    try {
        if (message == WM_NOTIFY && reinterpret_cast<const OFNOTIFYA*>(lParam)->hdr.code == CDN_INITDONE) {
            const auto* notice = reinterpret_cast<const OFNOTIFYA*>(lParam);
            RECT main{};
            GetWindowRect(notice->lpOFN->hwndOwner, &main);
            // The hook's dialog is a child of the file dialog itself.
            SetWindowPos(GetParent(hookDialog), nullptr, main.left + 30, main.top + 30, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    } catch (...) {
    }
    return 0;
}

std::string runFileDialog(HWND owner, bool save, const std::string& proposedName) {
    std::vector<char> path(kPathCapacity, '\0');
    proposedName.copy(path.data(), std::min<size_t>(proposedName.size(), kPathCapacity - 1));
    const std::string folder = programFolder();

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.hInstance = GetModuleHandleA(nullptr);
    dialog.lpstrFile = path.data();
    dialog.nMaxFile = kPathCapacity;
    dialog.lpstrInitialDir = folder.c_str();
    dialog.lpstrDefExt = "csv";
    dialog.nFilterIndex = 1;
    dialog.lpfnHook = placeFileDialog;
    WaitCursorPause userCursor;
    if (save) {
        dialog.lpstrTitle = "Please select a CSV file to save";
        dialog.lpstrFilter = "CSV files (*.csv)\0*.CSV;*.TXT\0PSV files (*.psv)\0*.PSV\0TSV files (*.tsv)\0*.TSV\0";
        dialog.Flags = OFN_ENABLESIZING | OFN_CREATEPROMPT | OFN_PATHMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_EXPLORER |
                       OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_ENABLEHOOK;
        if (!GetSaveFileNameA(&dialog)) return {};
    } else {
        dialog.lpstrTitle = "Please select a CSV file to load";
        dialog.lpstrFilter =
            "CSV files (*.csv, *.txt)\0*.CSV;*.TXT\0PSV files (*.psv, *.txt)\0*.PSV;*.TXT\0"
            "TSV files (*.tsv, *.tab, *.txt)\0*.TSV;*.TAB;*.TXT\0";
        dialog.Flags = OFN_ENABLESIZING | OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_SHOWHELP | OFN_HIDEREADONLY |
                       OFN_NOCHANGEDIR | OFN_ENABLEHOOK;
        if (!GetOpenFileNameA(&dialog)) return {};
    }
    return path.data();
}

}  // namespace

std::string askFileToLoad(HWND owner) { return runFileDialog(owner, false, {}); }

std::string askFileToSave(HWND owner, const std::string& proposedName) {
    return runFileDialog(owner, true, proposedName);
}

}  // namespace varnel

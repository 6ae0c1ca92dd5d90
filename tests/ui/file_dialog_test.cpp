// The open and save dialogs as the user sees them: filters, starting
// folder, proposed name and the default extension.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

constexpr int kTypeCombo = 0x470;  // the file dialog's "files of type" box
constexpr int kNameBox = 1148;

std::vector<std::string> fileTypes(HWND dialog) {
    std::vector<std::string> items;
    HWND combo = GetDlgItem(dialog, kTypeCombo);
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char text[256] = "";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::string folderOf(HWND dialog) {
    char path[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(path));
    std::string folder(path);
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string programFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\'));
}

}  // namespace

UI_TEST(open_and_save_dialogs_offer_the_filters_folder_and_extension) {
    HWND window = startMainWindow();
    const std::string folder = programFolder();
    onDialog([&](HWND dialog) {
        CHECK_EQ(fileTypes(dialog), (std::vector<std::string>{"CSV files (*.csv, *.txt)", "PSV files (*.psv, *.txt)",
                                                              "TSV files (*.tsv, *.tab, *.txt)"}));
        CHECK_EQ(static_cast<int>(SendDlgItemMessageA(dialog, kTypeCombo, CB_GETCURSEL, 0, 0)), 0);
        CHECK_EQ(folderOf(dialog), folder);
        CHECK_EQ(windowText(GetDlgItem(dialog, kNameBox)), "");
        pressButton(dialog, IDCANCEL);
    });
    click(IDC_LOAD_BUTTON);
    CHECK_EQ(context().table.currentFileName, "");
    CHECK_EQ(windowText(window), "Varnel");

    // The save dialog proposes the current name, from the same folder.
    const std::string source = testFolder() + "offer.csv";
    writeFile(source, "a\r\n1\r\n");
    onDialog([&](HWND dialog) { answerFileDialog(dialog, source); });
    onDialog([&](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
    click(IDC_LOAD_BUTTON);
    onDialog([&](HWND dialog) {
        CHECK_EQ(fileTypes(dialog),
                 (std::vector<std::string>{"CSV files (*.csv)", "PSV files (*.psv)", "TSV files (*.tsv)"}));
        CHECK_EQ(static_cast<int>(SendDlgItemMessageA(dialog, kTypeCombo, CB_GETCURSEL, 0, 0)), 0);
        CHECK(windowText(GetDlgItem(dialog, kNameBox)).find("offer.csv") != std::string::npos);
        // A name typed without extension gets ".csv".
        answerFileDialog(dialog, testFolder() + "plain");
    });
    onOptionalDialog([](HWND box) { return isMessageBox(box) && GetDlgItem(box, IDYES) != nullptr; },
                     [](HWND box) { pressButton(box, IDYES); });
    onDialog([](HWND box) {
        CHECK_EQ(windowText(box), "Done");
        pressButton(box, IDOK);
    });
    click(IDC_RESAVE_BUTTON);
    CHECK_EQ(pendingDialogSteps(), 0);
    CHECK_EQ(readFile(testFolder() + "plain.csv"), "\"a\"\r\n\"1\"\r\n");
}

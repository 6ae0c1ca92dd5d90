// The 32-bit programs are large-address-aware, and the program works with
// memory above 2 GB: with every free address below 2 GB taken, a table is
// loaded, sorted, searched, edited and saved through the real window, and
// the saved bytes are checked.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/delimited_read.h"
#include "harness.h"
#include "ui/app_context.h"

using namespace uitest;
using namespace varnel;

namespace {

constexpr uintptr_t kTwoGigabytes = 0x80000000u;

// The Characteristics of the file header of the PE image at `image`.
WORD imageCharacteristics(const unsigned char* image) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(image);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(image + dos->e_lfanew);
    return nt->FileHeader.Characteristics;
}

std::string programFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// Reserves every free region of the address space below 2 GB; releases them
// when it goes. Later allocations can then only be placed above 2 GB.
class LowAddressesTaken {
public:
    LowAddressesTaken() {
        SYSTEM_INFO system{};
        GetSystemInfo(&system);
        const uintptr_t granularity = system.dwAllocationGranularity;
        uintptr_t at = reinterpret_cast<uintptr_t>(system.lpMinimumApplicationAddress);
        MEMORY_BASIC_INFORMATION info{};
        while (at < kTwoGigabytes && VirtualQuery(reinterpret_cast<void*>(at), &info, sizeof info)) {
            const uintptr_t base = reinterpret_cast<uintptr_t>(info.BaseAddress);
            const uintptr_t end = std::min<uintptr_t>(base + info.RegionSize, kTwoGigabytes);
            if (info.State == MEM_FREE) {
                const uintptr_t start = (base + granularity - 1) & ~(granularity - 1);
                if (end > start)
                    if (void* block = VirtualAlloc(reinterpret_cast<void*>(start), end - start, MEM_RESERVE,
                                                   PAGE_NOACCESS)) {
                        blocks_.push_back(block);
                        bytes_ += end - start;
                    }
            }
            if (base + info.RegionSize <= at) break;
            at = base + info.RegionSize;
        }
    }
    ~LowAddressesTaken() {
        for (void* block : blocks_) VirtualFree(block, 0, MEM_RELEASE);
    }
    LowAddressesTaken(const LowAddressesTaken&) = delete;
    LowAddressesTaken& operator=(const LowAddressesTaken&) = delete;
    size_t bytes() const { return bytes_; }

private:
    std::vector<void*> blocks_;
    size_t bytes_ = 0;
};


// Rows "id,word,qty": ids in file order, words that sort in reverse, and a
// needle in every 97th row.
std::string tableFile(int rows) {
    std::string bytes = "id,word,qty\r\n";
    for (int r = 1; r <= rows; ++r) {
        bytes += std::to_string(r) + ",w" + std::to_string(1000000 - r) + (r % 97 == 0 ? "needle" : "") + "," +
                 std::to_string(r % 10) + "\r\n";
    }
    return bytes;
}

// What Re-Save writes for the table after the sort by word and the edit:
// rows in reverse, row 1 (id `rows`) holding "edited" in place of its word.
std::string savedFile(int rows) {
    std::string bytes = "\"id\",\"word\",\"qty\"\r\n";
    for (int r = rows; r >= 1; --r) {
        const std::string word =
            r == rows ? "edited" : "w" + std::to_string(1000000 - r) + (r % 97 == 0 ? "needle" : "");
        bytes += "\"" + std::to_string(r) + "\",\"" + word + "\",\"" + std::to_string(r % 10) + "\"\r\n";
    }
    return bytes;
}

}  // namespace

UI_TEST(large_address_aware_programs) {
    // The running test program, from its own header in memory.
    CHECK((imageCharacteristics(reinterpret_cast<const unsigned char*>(GetModuleHandleA(nullptr))) &
           IMAGE_FILE_LARGE_ADDRESS_AWARE) != 0);
    // The program beside it, from its file.
    const std::string exe = readFile(programFolder() + "varnel.exe");
    CHECK(exe.size() > 0x200);
    if (exe.size() > 0x200)
        CHECK((imageCharacteristics(reinterpret_cast<const unsigned char*>(exe.data())) &
               IMAGE_FILE_LARGE_ADDRESS_AWARE) != 0);
}

UI_TEST(largest_readable_file_fits_one_block) {
    // A block above PTRDIFF_MAX bytes cannot be had in the 32-bit program;
    // cell offsets are 32-bit in both.
    CHECK_EQ(maxReadableFileSize(), sizeof(void*) == 4 ? uint64_t{0x7FFFFFFF} : uint64_t{0xFFFFFFFF});
}

UI_TEST(table_above_2_gb_loads_sorts_searches_edits_and_saves) {
    constexpr int rows = 100000;  // about 2 MB: the file and the cells get blocks of their own
    const std::string path = testFolder() + "high.csv";
    const std::string saved = testFolder() + "high-saved.csv";
    writeFile(path, tableFile(rows));

    // Only the 32-bit program has free addresses below 2 GB worth taking.
    std::unique_ptr<LowAddressesTaken> taken;
    if (sizeof(void*) == 4) {
        taken = std::make_unique<LowAddressesTaken>();
        std::unique_ptr<char[]> probe(new char[4 << 20]);
        CHECK(reinterpret_cast<uintptr_t>(probe.get()) >= kTwoGigabytes);
    }

    startMainWindow();
    onDialog([&](HWND dialog) { answerFileDialog(dialog, path); });
    onDialog([](HWND dialog) { pressButton(dialog, IDC_IMPORT_LOAD); });
    click(IDC_LOAD_BUTTON);
    pumpMessages();
    HWND list = control(IDC_TABLE_LIST);
    CHECK_EQ(context().table.rowCount(), rows);
    CHECK_EQ(listText(list, rows - 1, 1), "w" + std::to_string(1000000 - rows));
    if (taken) CHECK_EQ(reinterpret_cast<uintptr_t>(context().table.bufferData()) >= kTwoGigabytes, true);

    postHeaderClick(list, 1);  // word: the rows come out in reverse
    pumpMessages();
    CHECK_EQ(listText(list, 0, 0), std::to_string(rows));
    CHECK_EQ(listText(list, rows - 1, 0), "1");

    SetWindowTextA(control(IDC_SEARCH_TEXT), "NEEDLE");
    click(IDC_SEARCH_BUTTON);
    pumpMessages();
    const std::vector<int> found = selectedItems(list);
    CHECK_EQ(found.size(), static_cast<size_t>(rows / 97));
    if (!found.empty()) CHECK_EQ(listText(list, found.front(), 0), std::to_string(rows / 97 * 97));

    selectItems(list, {0});
    onDialog([](HWND dialog) {
        HWND box = GetDlgItem(dialog, IDC_EDIT_FIELD_BASE + 2);
        SendMessageA(box, EM_SETSEL, 0, -1);
        for (char c : std::string("edited")) SendMessageA(box, WM_CHAR, static_cast<unsigned char>(c), 1);
        pressButton(dialog, IDC_EDIT_SAVE);
    });
    SendMessageA(mainWindow(), WM_COMMAND, IDM_EDIT_ROW, 0);
    pumpMessages();
    CHECK_EQ(listText(list, 0, 1), "edited");

    onDialog([&](HWND dialog) { answerFileDialog(dialog, saved); });
    onOptionalDialog([](HWND box) { return isMessageBox(box) && GetDlgItem(box, IDYES) != nullptr; },
                     [](HWND box) { pressButton(box, IDYES); });
    onDialog([](HWND box) {
        CHECK_EQ(boxText(box), "File has been saved.");
        pressButton(box, IDOK);
    });
    click(IDC_RESAVE_BUTTON);
    pumpMessages();
    CHECK(readFile(saved) == savedFile(rows));
    DestroyWindow(mainWindow());
    pumpMessages();
}

// The table commands' window interface on the real main window: its boxes
// and dialogs, the file dialogs, the list and the title.
#pragma once

#include <optional>

#include "edit/table_window.h"
#include "ui/app_context.h"
#include "ui/wait_cursor.h"

namespace varnel {

// The list's selection is the context's own set, which the list paints from.
// Scrolling to search matches and redrawing replaced rows are collected and
// applied in one go whenever the user is about to see the list (before
// every message box or dialog, and at the end): the list then ends in
// exactly the state the single steps would have left, the same selection and
// the same first visible item.
class Win32TableWindow final : public TableWindow {
public:
    explicit Win32TableWindow(AppContext& context);
    ~Win32TableWindow() override;
    Win32TableWindow(const Win32TableWindow&) = delete;
    Win32TableWindow& operator=(const Win32TableWindow&) = delete;

    void selectItem(int32_t item, bool selected) override;
    void ensureVisible(int32_t item) override;
    void setItemText(int32_t item, int32_t column, const std::string& text) override;
    void repaintSearchBox() override;
    BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) override;
    ReplaceDialogResult runReplaceDialog(const std::string& prompt) override;

    std::string askFileToLoad() override;
    std::string askFileToSave(const std::string& proposedName) override;
    bool fileIsThere(const std::string& path) override;
    FileSystem& files() override;
    uint64_t memoryAvailable() override;
    double textWidth(std::string_view text) override;
    std::optional<ImportOptions> runImportDialog(const ImportDialogInput& input) override;
    std::optional<std::vector<std::string>> runNewFileDialog(const NewFileDialogInput& input) override;
    std::optional<std::vector<FieldEdit>> runEditRowDialog(const EditRowInput& input) override;
    void showNewTable() override;
    void showRows() override;
    void showRowInserted(int32_t item) override;
    void showRowChanged(int32_t item) override;
    void showSelection() override;
    void beginWork() override;
    void endWork() override;

    // Shows whatever is still collected.
    void flush();

private:
    void flushScroll();

    AppContext& context_;
    bool selectionChanged_ = false;
    bool scrollPending_ = false;
    int32_t top_ = 0;
    int perPage_ = 1;
    int32_t dirtyFirst_ = -1;
    int32_t dirtyLast_ = -1;
    int working_ = 0;
    std::optional<WaitCursor> waitCursor_;
};

}  // namespace varnel

// What the search commands need of the window, and nothing more. The Windows
// program implements it on the real controls; tests pass a scripted fake.
#pragma once

#include <cstdint>
#include <string>

namespace varnel {

// Message box answers, with the values the system uses.
enum class BoxAnswer : int { Ok = 1, Cancel = 2, Yes = 6, No = 7 };

// The kinds of message box the commands show; the window gives each its
// buttons and icon. Stop: an error or warning with OK, above every window.
// Question: Yes and No, above every window. Information: OK. Confirm: Yes,
// No and Cancel with a question mark.
enum class BoxKind { Stop, Question, Information, Confirm };

struct ReplaceDialogResult {
    enum class Ending { Go, Cancel, Closed };
    Ending ending = Ending::Closed;
    std::string text;      // the replacement box, as typed (Go only)
    bool confirm = false;  // the "Confirm changes" box (Go only)
};

class SearchWindow {
public:
    virtual ~SearchWindow() = default;
    // Items are 0-based list items: row r is item r - 1.
    virtual void selectItem(int32_t item, bool selected) = 0;
    virtual void ensureVisible(int32_t item) = 0;
    virtual void setItemText(int32_t item, int32_t column, const std::string& text) = 0;
    virtual void repaintSearchBox() = 0;
    // A message box without owner.
    virtual BoxAnswer messageBox(const std::string& text, const std::string& caption, BoxKind kind) = 0;
    virtual ReplaceDialogResult runReplaceDialog(const std::string& prompt) = 0;
};

}  // namespace varnel

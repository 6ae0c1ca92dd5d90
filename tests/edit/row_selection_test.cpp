#include "edit/row_selection.h"

#include <gtest/gtest.h>

#include <random>

namespace varnel {
namespace {

std::vector<int32_t> selectedOf(const std::vector<bool>& model) {
    std::vector<int32_t> out;
    for (size_t i = 0; i < model.size(); ++i)
        if (model[i]) out.push_back(static_cast<int32_t>(i));
    return out;
}

// Every operation against a plain vector of flags, on sizes around the
// 64-bit word boundaries.
TEST(RowSelection, MatchesAPlainListOfFlags) {
    std::mt19937 random(7);
    for (int32_t size : {0, 1, 63, 64, 65, 130, 200}) {
        RowSelection selection;
        selection.reset(size);
        std::vector<bool> model(static_cast<size_t>(size), false);
        for (int step = 0; step < 400; ++step) {
            const int32_t span = static_cast<int32_t>(model.size()) + 2;
            const int32_t a = static_cast<int32_t>(random() % static_cast<unsigned>(span)) - 1;
            const int32_t b = static_cast<int32_t>(random() % static_cast<unsigned>(span)) - 1;
            switch (random() % 6) {
            case 0:
            case 1:
                selection.set(a, b % 2 == 0);
                if (a >= 0 && a < static_cast<int32_t>(model.size())) model[static_cast<size_t>(a)] = b % 2 == 0;
                break;
            case 2:
                selection.selectRange(a, b);
                for (int32_t i = std::max(std::min(a, b), 0); i <= std::max(a, b) && i < static_cast<int32_t>(model.size()); ++i)
                    model[static_cast<size_t>(i)] = true;
                break;
            case 3:
                if (a >= 0 && a <= static_cast<int32_t>(model.size())) {
                    selection.insertAt(a);
                    model.insert(model.begin() + a, false);
                }
                break;
            case 4:
                if (step % 50 == 0) {
                    selection.setAll(b % 2 == 0);
                    model.assign(model.size(), b % 2 == 0);
                }
                break;
            default: {
                int32_t expected = -1;
                for (int32_t i = std::max(a + 1, 0); i < static_cast<int32_t>(model.size()); ++i)
                    if (model[static_cast<size_t>(i)]) {
                        expected = i;
                        break;
                    }
                ASSERT_EQ(selection.next(a), expected) << "size " << size << " step " << step;
            }
            }
            ASSERT_EQ(selection.size(), static_cast<int32_t>(model.size()));
            ASSERT_EQ(selection.items(), selectedOf(model)) << "size " << size << " step " << step;
            ASSERT_EQ(selection.count(), static_cast<int32_t>(selectedOf(model).size()));
        }
    }
}

struct InputCase {
    const char* what;
    void (*act)(RowSelection&, SelectionCursor&, ClickMemory&);
    std::vector<int32_t> selected;
    int32_t focus;
    int32_t mark;
};

// Each case starts from rows 2, 5 and 9 of 20 selected (items 1, 4, 8),
// the last of them clicked with Ctrl: focus and mark on item 8. A page
// shows items 0..9.
TEST(SelectionInput, FromAScatteredSelection) {
    const InputCase cases[] = {
        {"click on an unselected row", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, 12, false, false); },
         {12}, 12, 12},
        {"click on a selected row, released there",
         [](auto& s, auto& c, auto& m) {
             clickSelect(s, c, m, 4, false, false);
             releaseSelect(s, c, m, 4);
         },
         {4}, 4, 4},
        {"click on a selected row, dragged off before the release",
         [](auto& s, auto& c, auto& m) {
             clickSelect(s, c, m, 4, false, false);
             dragOver(m, 5);
             releaseSelect(s, c, m, 4);
         },
         {1, 4, 8}, 4, 8},
        {"Ctrl+click toggles", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, 4, false, true); }, {1, 8}, 4, 4},
        {"Ctrl+click adds", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, 12, false, true); }, {1, 4, 8, 12},
         12, 12},
        {"Shift+click selects from the mark", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, 11, true, false); },
         {8, 9, 10, 11}, 11, 8},
        {"Shift+click upwards", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, 6, true, false); }, {6, 7, 8}, 6,
         8},
        {"Ctrl+Shift+click adds the range", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, 11, true, true); },
         {1, 4, 8, 9, 10, 11}, 11, 11},
        {"Ctrl+Shift+click after a Ctrl+click that deselected adds one row",
         [](auto& s, auto& c, auto& m) {
             clickSelect(s, c, m, 4, false, true);
             clickSelect(s, c, m, 6, true, true);
         },
         {1, 6, 8}, 6, 6},
        {"click below the rows", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, -1, false, false); }, {}, 8, 8},
        {"Ctrl+click below the rows", [](auto& s, auto& c, auto& m) { clickSelect(s, c, m, -1, false, true); },
         {1, 4, 8}, 8, 8},
        {"right click on an unselected row", [](auto& s, auto& c, auto&) { rightClickSelect(s, c, 12, false, false); },
         {12}, 12, 12},
        {"right click on a selected row", [](auto& s, auto& c, auto&) { rightClickSelect(s, c, 4, false, false); },
         {1, 4, 8}, 4, 8},
        {"Ctrl+right click on an unselected row", [](auto& s, auto& c, auto&) { rightClickSelect(s, c, 12, false, true); },
         {1, 4, 8}, 12, 8},
        {"right click below the rows", [](auto& s, auto& c, auto&) { rightClickSelect(s, c, -1, true, false); }, {}, 8,
         8},
        {"Down", [](auto& s, auto& c, auto&) { navigate(s, c, NavigationKey::Down, false, false, 0, 10); }, {9}, 9, 9},
        {"Shift+Down, Shift+Down", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::Down, true, false, 0, 10);
             navigate(s, c, NavigationKey::Down, true, false, 0, 10);
         }, {8, 9, 10}, 10, 8},
        {"Shift+Up", [](auto& s, auto& c, auto&) { navigate(s, c, NavigationKey::Up, true, false, 0, 10); }, {7, 8}, 7,
         8},
        {"Home, then Shift+End", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::Home, false, false, 0, 10);
             navigate(s, c, NavigationKey::End, true, false, 0, 10);
         }, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19}, 19, 0},
        {"End", [](auto& s, auto& c, auto&) { navigate(s, c, NavigationKey::End, false, false, 0, 10); }, {19}, 19, 19},
        {"Ctrl+Down moves only the focus", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::Down, false, true, 0, 10);
         }, {1, 4, 8}, 9, 8},
        {"Ctrl+Down, Ctrl+Space selects the focused row", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::Down, false, true, 0, 10);
             navigate(s, c, NavigationKey::Space, false, true, 0, 10);
         }, {1, 4, 8, 9}, 9, 9},
        {"Ctrl+Space deselects the focused row", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::Space, false, true, 0, 10);
         }, {1, 4}, 8, 8},
        {"Space selects only the focused row", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::Space, false, false, 0, 10);
         }, {8}, 8, 8},
        {"Page Down to the page's last row, then a page further", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::PageDown, false, false, 0, 10);
             navigate(s, c, NavigationKey::PageDown, false, false, 0, 10);
         }, {18}, 18, 18},
        {"Page Up from the page's first row", [](auto& s, auto& c, auto&) {
             navigate(s, c, NavigationKey::PageUp, false, false, 5, 10);
             navigate(s, c, NavigationKey::PageUp, false, false, 5, 10);
         }, {0}, 0, 0},
    };
    for (const InputCase& c : cases) {
        RowSelection selection;
        selection.reset(20);
        for (int32_t item : {1, 4, 8}) selection.set(item, true);
        SelectionCursor cursor{8, 8};
        ClickMemory memory;
        c.act(selection, cursor, memory);
        EXPECT_EQ(selection.items(), c.selected) << c.what;
        EXPECT_EQ(cursor.focus, c.focus) << c.what;
        EXPECT_EQ(cursor.mark, c.mark) << c.what;
    }
}

TEST(SelectionInput, KeysAtTheEdgesDoNothing) {
    RowSelection selection;
    selection.reset(3);
    SelectionCursor cursor{2, 2};
    selection.set(2, true);
    EXPECT_EQ(navigate(selection, cursor, NavigationKey::Down, false, false, 0, 3), -1);
    cursor = {0, 0};
    EXPECT_EQ(navigate(selection, cursor, NavigationKey::Up, false, false, 0, 3), -1);
    EXPECT_EQ(navigate(selection, cursor, NavigationKey::Home, false, false, 0, 3), -1);  // already there
    EXPECT_EQ(selection.items(), std::vector<int32_t>{2});
    // No focus yet: Down goes to the first row, Up and Space do nothing.
    cursor = {-1, -1};
    EXPECT_EQ(navigate(selection, cursor, NavigationKey::Space, false, false, 0, 3), -1);
    EXPECT_EQ(navigate(selection, cursor, NavigationKey::Up, false, false, 0, 3), -1);
    EXPECT_EQ(navigate(selection, cursor, NavigationKey::Down, true, false, 0, 3), 0);
    EXPECT_EQ(selection.items(), std::vector<int32_t>{0});
    EXPECT_EQ(cursor.mark, 0);
    RowSelection empty;
    empty.reset(0);
    SelectionCursor none;
    EXPECT_EQ(navigate(empty, none, NavigationKey::End, false, false, 0, 3), -1);
    EXPECT_EQ(navigate(empty, none, NavigationKey::PageDown, false, false, 0, 3), -1);
}

}  // namespace
}  // namespace varnel

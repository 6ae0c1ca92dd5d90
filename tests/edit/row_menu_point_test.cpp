#include "edit/row_menu_point.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(RowMenuPoint, CursorInsideTheListIsKept) {
    const ListBounds list{100, 200, 301, 400};
    for (MenuPoint p : {MenuPoint{100, 200}, MenuPoint{300, 399}, MenuPoint{150, 250}}) {
        const MenuPoint at = rowMenuPoint(p, list);
        EXPECT_EQ(at.x, p.x);
        EXPECT_EQ(at.y, p.y);
    }
}

TEST(RowMenuPoint, OutsideGoesToTheMiddleOfTheBottomEdgeRoundingHalvesToEven) {
    struct {
        ListBounds list;
        MenuPoint expected;
    } cases[] = {
        {{100, 200, 300, 400}, {200, 400}},  // whole middle
        {{100, 200, 301, 400}, {200, 400}},  // 200.5 goes down to the even 200
        {{101, 200, 302, 400}, {202, 400}},  // 201.5 goes up to the even 202
        {{-7, -50, -4, -10}, {-6, -10}},     // -5.5 goes to -6
        {{-6, -50, -3, -10}, {-4, -10}},     // -4.5 goes to -4
        {{0, 0, 0, 0}, {0, 0}},              // an empty rectangle holds no point
    };
    for (const auto& c : cases) {
        // Right and bottom edges are outside; so is any point beyond them.
        for (MenuPoint cursor : {MenuPoint{c.list.right, c.list.top}, MenuPoint{c.list.left, c.list.bottom},
                                 MenuPoint{c.list.left - 1, c.list.top}, MenuPoint{5000, 5000}}) {
            const MenuPoint at = rowMenuPoint(cursor, c.list);
            EXPECT_EQ(at.x, c.expected.x) << c.list.left << ".." << c.list.right;
            EXPECT_EQ(at.y, c.expected.y);
        }
    }
}

}  // namespace
}  // namespace varnel

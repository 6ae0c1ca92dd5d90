#include "edit/row_menu_point.h"

namespace varnel {

MenuPoint rowMenuPoint(MenuPoint cursor, ListBounds list) {
    const bool inside =
        cursor.x >= list.left && cursor.x < list.right && cursor.y >= list.top && cursor.y < list.bottom;
    if (inside) return cursor;
    // right - (right - left) / 2 is a whole or a half number; a half goes to
    // the even neighbour.
    const int64_t twice = static_cast<int64_t>(list.left) + list.right;
    int64_t x = twice >= 0 ? twice / 2 : -((-twice + 1) / 2);  // floor of the half
    if ((twice & 1) != 0 && (x & 1) != 0) ++x;
    return {static_cast<int32_t>(x), list.bottom};
}

}  // namespace varnel

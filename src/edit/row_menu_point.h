// Where the row menu opens: at the cursor, or at the middle of the list's
// bottom edge when the cursor is outside the list.
#pragma once

#include <cstdint>

namespace varnel {

struct MenuPoint {
    int32_t x = 0;
    int32_t y = 0;
};

// Screen rectangle of the list: left and top inside, right and bottom not.
struct ListBounds {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
};

MenuPoint rowMenuPoint(MenuPoint cursor, ListBounds list);

}  // namespace varnel

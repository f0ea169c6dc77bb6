// Where the properties dialog opens: the size and place the user left it at,
// kept on the visible screen. Plain arithmetic, for the tests.
#pragma once
#include <algorithm>
#include <optional>
#include <string>

namespace kivu {

struct Box {
    int left = 0, top = 0, width = 0, height = 0;
    bool operator==(const Box&) const = default;
};

// The box made to fit the area: no larger than it, then moved inside it.
inline Box ClampToArea(Box b, const Box& area) {
    b.width = std::min(b.width, area.width);
    b.height = std::min(b.height, area.height);
    b.left = std::clamp(b.left, area.left, area.left + area.width - b.width);
    b.top = std::clamp(b.top, area.top, area.top + area.height - b.height);
    return b;
}

// The registry key under HKEY_CURRENT_USER that keeps the dialog's place.
inline const char* const kPlacementKey = "software\\kivu\\rename";

}  // namespace kivu

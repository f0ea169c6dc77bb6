#include "controls/ledlogic.h"

#include <stdexcept>
#include <utility>

namespace kivu::led {

namespace {

// The round image with its frame, as drawn by hand.
const std::vector<std::string> kSmallRound = {
    "WWWWWWWWWWWWWWWW", "WSSSSKKKKKKSSSSD", "WSSSKWWWWWSKSSSD", "WSSKWWKKKKSSKSSD",
    "WSKWWKGGGGKSSKSD", "WKWWKWGWGGGKSDKD", "WKWKGGWGGGGGKDKD", "WKWKGWGGGGGGKDKD",
    "WKWKGGGGGGGGKDKD", "WKWKGGGGGGGGKDKD", "WKSSKGGGGGGKDDKD", "WSKSSKGGGGKDDKSD",
    "WSSKSSKKKKDDKSSD", "WSSSKDDDDDDKSSSD", "WSSSSKKKKKKSSSSD", "DDDDDDDDDDDDDDDD",
};

// The large round image: the same rings around a lens 14 across, with a
// second, smaller glint below the first.
const std::vector<std::string> kLargeRound = {
        "WWWWWWWWWWWWWWWWWWWWWW",
        "WSSSSSSSKKKKKKSSSSSSSD",
        "WSSSSSKKWWWWWWKKSSSSSD",
        "WSSSKKWWKKKKKKWWKKSSSD",
        "WSSKKWKKGGGGGGKKSKKSSD",
        "WSSKWKKGGGGGGGGKKSKSSD",
        "WSKWKKGGWWWGGGGGKKDKSD",
        "WSKWKGGWWGGGGGGGGKDKSD",
        "WKWKGGGWGGGGGGGGGGKDKD",
        "WKWKGGGGGGGGGGGGGGKDKD",
        "WKWKGGGGGGGGGGGGGGKDKD",
        "WKWKGGWGGGGGGGGGGGKDKD",
        "WKWKGGWGGGGGGGGGGGKDKD",
        "WKWKGGGGGGGGGGGGGGKDKD",
        "WSKWKGGGGGGGGGGGGKDKSD",
        "WSKWKKGGGGGGGGGGKKDKSD",
        "WSSKSKKGGGGGGGGKKDKSSD",
        "WSSKKSKKGGGGGGKKDKKSSD",
        "WSSSKKDDKKKKKKDDKKSSSD",
        "WSSSSSKKDDDDDDKKSSSSSD",
        "WSSSSSSSKKKKKKSSSSSSSD",
        "DDDDDDDDDDDDDDDDDDDDDD",
};

// The small round image without its outer frame: that ring is silver.
std::vector<std::string> WithoutFrame(std::vector<std::string> rows) {
    const size_t last = rows.size() - 1;
    for (size_t y = 0; y <= last; ++y) {
        std::string& row = rows[y];
        if (y == 0 || y == last) row.assign(row.size(), 'S');
        row.front() = row.back() = 'S';
    }
    return rows;
}

// The square pattern at any size: a white top and left line and a dark-grey
// bottom and right line, a black frame, a silver ring whose bottom and right
// sides are dark grey, a black frame around the lens, and the lens with a
// glint in its upper-left part.
std::vector<std::string> SquarePattern(int w, int h) {
    std::vector<std::string> rows(static_cast<size_t>(h), std::string(static_cast<size_t>(w), 'G'));
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            char& p = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
            if (y == 0 || x == 0) p = 'W';
            else if (x == w - 1 || y == h - 1) p = 'D';
            else if (x == 1 || y == 1 || x == w - 2 || y == h - 2) p = 'K';
            else if (x == 2 || y == 2) p = 'S';
            else if (x == w - 3 || y == h - 3) p = 'D';
            else if (x == 3 || y == 3 || x == w - 4 || y == h - 4) p = 'K';
        }
    }
    // The glint, placed from the lens's upper-left corner (4, 4).
    for (auto [dx, dy] : {std::pair{2, 1}, {3, 1}, {4, 1}, {1, 2}, {2, 2}, {1, 3}})
        rows[static_cast<size_t>(4 + dy)][static_cast<size_t>(4 + dx)] = 'W';
    return rows;
}

Rgb ColorOf(char c) {
    switch (c) {
        case 'K': return kBlack;
        case 'W': return kWhite;
        case 'D': return kDarkGrey;
        case 'S': return kSilver;
        case 'G': return kLens;
        default: throw std::invalid_argument(std::string("LED pattern: unknown pixel ") + c);
    }
}

}  // namespace

StyleInfo Style(TLEDStyle style) {
    switch (style) {
        case TLEDStyle::LED: return {"ALEDSMOR", 16, 16};
        case TLEDStyle::LEDSmall: return {"ALEDSM", 16, 16};
        case TLEDStyle::LEDLarge: return {"ALEDLG", 22, 22};
        case TLEDStyle::LEDSqSmall: return {"ALEDSQSM", 16, 16};
        case TLEDStyle::LEDSqLarge: return {"ALEDSQLG", 22, 22};
        case TLEDStyle::LEDVertical: return {"ALEDVT", 14, 22};
        case TLEDStyle::LEDHorizontal: return {"ALEDHZ", 22, 14};
    }
    return {"ALEDSM", 16, 16};
}

const std::vector<std::string>& Pattern(TLEDStyle style) {
    static const std::vector<std::string> round = kSmallRound, large = kLargeRound,
                                          open = WithoutFrame(kSmallRound), sqSmall = SquarePattern(16, 16),
                                          sqLarge = SquarePattern(22, 22), vertical = SquarePattern(14, 22),
                                          horizontal = SquarePattern(22, 14);
    switch (style) {
        case TLEDStyle::LED: return open;
        case TLEDStyle::LEDSmall: return round;
        case TLEDStyle::LEDLarge: return large;
        case TLEDStyle::LEDSqSmall: return sqSmall;
        case TLEDStyle::LEDSqLarge: return sqLarge;
        case TLEDStyle::LEDVertical: return vertical;
        case TLEDStyle::LEDHorizontal: return horizontal;
    }
    return round;
}

PixelGrid FromPattern(const std::vector<std::string>& rows) {
    PixelGrid grid;
    grid.height = static_cast<int>(rows.size());
    grid.width = rows.empty() ? 0 : static_cast<int>(rows[0].size());
    for (const std::string& row : rows) {
        if (static_cast<int>(row.size()) != grid.width) throw std::invalid_argument("LED pattern: ragged rows");
        for (char c : row) grid.pixels.push_back(ColorOf(c));
    }
    return grid;
}

int FloodFill(PixelGrid& grid, int x, int y, Rgb from, Rgb to) {
    const auto inside = [&](int px, int py) { return px >= 0 && py >= 0 && px < grid.width && py < grid.height; };
    // Filling with the colour it replaces would never end: nothing to do.
    if (from == to || !inside(x, y) || grid.At(x, y) != from) return 0;
    int changed = 0;
    std::vector<std::pair<int, int>> todo{{x, y}};
    while (!todo.empty()) {
        const auto [px, py] = todo.back();
        todo.pop_back();
        if (!inside(px, py) || grid.At(px, py) != from) continue;
        grid.At(px, py) = to;
        ++changed;
        todo.insert(todo.end(), {{px + 1, py}, {px - 1, py}, {px, py + 1}, {px, py - 1}});
    }
    return changed;
}

PixelGrid LensImage(const PixelGrid& stock, Rgb color) {
    PixelGrid image = stock;
    FloodFill(image, image.width / 2, image.height / 2, kLens, color);
    return image;
}

void LedState::StartBlinking(Effects& e) {
    if (timer_) return;
    showsFalse_ = false;  // the lens is lit when the blinking starts
    timer_ = true;
    e.startTimer = true;
}

void LedState::StopBlinking(Effects& e) {
    if (!timer_) return;
    timer_ = false;
    e.stopTimer = true;
}

LedState::Effects LedState::SetValue(bool value) {
    Effects e;
    if (value == value_) return e;
    value_ = value;
    if (value) {
        Show(false, e);
        if (blink_) StartBlinking(e);
    } else {
        StopBlinking(e);
        Show(true, e);
    }
    return e;
}

LedState::Effects LedState::SetBlink(bool blink) {
    Effects e;
    if (blink == blink_) return e;
    Show(!value_, e);
    blink_ = blink;
    if (blink_ && value_) StartBlinking(e);
    else StopBlinking(e);
    return e;
}

LedState::Effects LedState::Tick() {
    Effects e;
    if (!timer_) return e;
    Show(!showsFalse_, e);
    return e;
}

LedState::Effects LedState::Pause() { return SetBlink(false); }

LedState::Effects LedState::Resume(bool formerBlink) {
    Effects e = SetBlink(formerBlink);
    e.draw = true;  // the rebuilt images must reach the screen
    return e;
}

}  // namespace kivu::led

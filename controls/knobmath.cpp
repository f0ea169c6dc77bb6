#include "controls/knobmath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "common/convert.h"

namespace kivu::knob {

namespace {

// Keeps a double well inside the range of the integer it is converted to;
// values this far out only come from nonsensical inputs.
double Limit(double v, double bound) { return std::clamp(v, -bound, bound); }

constexpr double kDegToRad = std::numbers::pi / 180.0;

}  // namespace

double RoundHalfEven(double v) {
    const double f = std::floor(v);
    const double d = v - f;
    if (d > 0.5) return f + 1;
    if (d < 0.5) return f;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

float DegreesPerUnit(int32_t min, int32_t max) {
    const int64_t span = int64_t{max} - min;
    if (span == 0) return 0.0f;
    return static_cast<float>(kSweep / static_cast<double>(span));
}

int32_t ClampToRange(int64_t value, int32_t min, int32_t max) {
    if (max >= min) return static_cast<int32_t>(std::clamp<int64_t>(value, min, max));
    // Negative scale: out-of-range values go to the opposite stop.
    if (value > min) return max;
    if (value < max) return min;
    return static_cast<int32_t>(value);
}

int PointerAngle(int32_t position, int32_t min, float degreesPerUnit) {
    const double turn = static_cast<double>(int64_t{position} - min) * static_cast<double>(degreesPerUnit);
    return kMinStopAngle - static_cast<int>(RoundHalfEven(Limit(turn, 1e9)));
}

int32_t ValueAtAngle(int angle, int32_t min, int32_t max, float degreesPerUnit) {
    if (degreesPerUnit == 0.0f) return min;
    const double steps = RoundHalfEven((kMinStopAngle - static_cast<double>(angle)) / static_cast<double>(degreesPerUnit));
    return ClampToRange(int64_t{min} + static_cast<int64_t>(Limit(steps, 1e15)), min, max);
}

int MouseAngle(int x, int y, int width, int height) {
    const int cx = width / 2;
    const int cy = height / 2;
    if (x == cx) return y > cy ? kMinStopAngle : 90;
    const double slope = (static_cast<double>(cy) - y) / (static_cast<double>(x) - cx);
    int angle = static_cast<int>(RoundHalfEven(std::atan(slope) / kDegToRad));  // -90..90
    if (x < cx) angle = (angle + 540) % 360;                                     // 90..270
    if (angle > kMinStopAngle && angle <= 270) angle = kMinStopAngle;
    if (angle < kMaxStopAngle) angle = kMaxStopAngle;
    return angle;
}

int32_t GuardJump(int32_t candidate, int32_t position, int32_t max) {
    const int64_t distance = std::abs(int64_t{candidate} - position);
    return distance > max / 10 ? position : candidate;
}

int64_t KeyTarget(Key key, int32_t position, int32_t min, int32_t max, uint16_t pageSize) {
    const int64_t p = position;
    switch (key) {
        case Key::PageUp: return p + pageSize;
        case Key::PageDown: return p - pageSize;
        case Key::End: return max;
        case Key::Home: return min;
        case Key::Left:
        case Key::Down: return p - 1;
        case Key::Right:
        case Key::Up: return p + 1;
    }
    return p;
}

uint32_t ElapsedTicks(uint32_t last, uint32_t now) { return now - last; }

std::optional<int64_t> DigitEntry::Type(int digit, int32_t position, int32_t max, int32_t threshold, uint32_t now) {
    const bool startsNew = !lastTick_ || int64_t{ElapsedTicks(*lastTick_, now)} > int64_t{threshold};
    lastTick_ = now;
    if (startsNew) return digit;
    if (position < max) return int64_t{position} * 10 + digit;
    return std::nullopt;
}

int SquareSide(int side, int width, int height) {
    if (side < height || side < width) return std::max(width, height);
    if (side > height || side > width) return std::min(width, height);
    return side;
}

Stroke PointerStroke(int radius, int angle) {
    const float t = static_cast<float>(angle * kDegToRad);
    const float c = static_cast<float>(std::cos(static_cast<double>(t)));
    const float s = static_cast<float>(std::sin(static_cast<double>(t)));
    const auto at = [&](int length) {
        return Point{radius + static_cast<int>(RoundHalfEven(static_cast<double>(length) * c)),
                     radius - static_cast<int>(RoundHalfEven(static_cast<double>(length) * s))};
    };
    return {at(radius - 11), at(radius - 5)};
}

std::string PositionText(int64_t value, const std::string& caption) { return IntToStr(value) + " " + caption; }

void KnobValue::SetParams(int64_t value, int32_t min, int32_t max) {
    if (min != min_) {
        min_ = min;
        degreesPerUnit_ = knob::DegreesPerUnit(min_, max_);
    }
    if (max != max_) {
        max_ = max;
        degreesPerUnit_ = knob::DegreesPerUnit(min_, max_);
    }
    position_ = ClampToRange(value, min_, max_);
    pointerAngle_ = knob::PointerAngle(position_, min_, degreesPerUnit_);
}

}  // namespace kivu::knob

// The rotary knob's arithmetic: angles, values, clamping, keys, typed digits,
// the square size and the pointer stroke. No window system here, so the rules
// are tested directly.
//
// Angles are whole degrees in the mathematical sense (0 right, 90 up,
// counterclockwise); screen y grows downward. Min sits at 240 (lower left),
// Max at -60 (lower right); the 60 degrees at the bottom are dead.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace kivu::knob {

constexpr int kMinStopAngle = 240;  // where Min points
constexpr int kMaxStopAngle = -60;  // where Max points
constexpr int kSweep = 300;

// v taken to the nearest integer, halves to the even neighbour.
double RoundHalfEven(double v);

// 300 / (max - min) as a 32-bit float; 0 when max equals min. The difference
// is taken in 64 bits, so the widest range does not overflow.
float DegreesPerUnit(int32_t min, int32_t max);

// Brings a value into the range. With max >= min the usual clamp; with max
// below min (a negative scale) each out-of-range value goes to the opposite
// stop: above min becomes max, below max becomes min.
int32_t ClampToRange(int64_t value, int32_t min, int32_t max);

// 240 - nearest((position - min) x degreesPerUnit).
int PointerAngle(int32_t position, int32_t min, float degreesPerUnit);

// min + nearest((240 - angle) / degreesPerUnit), or min when the scale is 0;
// brought into the range, since a float scale over a very wide range can
// land a step past a stop.
int32_t ValueAtAngle(int angle, int32_t min, int32_t max, float degreesPerUnit);

// Angle of the point (x, y) seen from the centre (width div 2, height div 2)
// of a control, limited to the two stops: angles in the dead zone left of
// the bottom go to 240, right of it to -60.
int MouseAngle(int x, int y, int width, int height);

// A drag must not jump across the dead zone: a candidate further than
// max div 10 from the position is replaced by the position.
int32_t GuardJump(int32_t candidate, int32_t position, int32_t max);

enum class Key { PageUp, PageDown, End, Home, Left, Down, Right, Up };

// The position a key asks for, before clamping (64 bits: no overflow at the
// ends of the 32-bit range).
int64_t KeyTarget(Key key, int32_t position, int32_t min, int32_t max, uint16_t pageSize);

// Ticks from last to now on a 32-bit millisecond counter; the unsigned
// difference stays right across the counter's wrap-around.
uint32_t ElapsedTicks(uint32_t last, uint32_t now);

// Digits typed one after the other build one number while each follows the
// previous one within the threshold.
class DigitEntry {
public:
    // The value the digit (0..9) asks for, before clamping, or nothing when
    // the digit is ignored (the position is already at or above max). The
    // tick is recorded either way. The first digit always starts a number.
    std::optional<int64_t> Type(int digit, int32_t position, int32_t max, int32_t threshold, uint32_t now);
    std::optional<uint32_t> LastTick() const { return lastTick_; }

private:
    std::optional<uint32_t> lastTick_;
};

// The edge length after a resize to width x height: growing in either
// direction takes the larger side, otherwise shrinking takes the smaller.
int SquareSide(int side, int width, int height);

struct Point {
    int x = 0, y = 0;
    bool operator==(const Point&) const = default;
};

struct Stroke {
    Point from, to;
    bool operator==(const Stroke&) const = default;
};

// The pointer: a radial stroke from radius r - 11 to r - 5 around the centre
// (r, r), angle and its sine and cosine taken as 32-bit floats.
Stroke PointerStroke(int radius, int angle);

// "64 KB": the value, a blank, the caption.
std::string PositionText(int64_t value, const std::string& caption);

// The value part of a knob: range, position, scale and pointer angle, kept
// consistent by SetParams.
class KnobValue {
public:
    int32_t Min() const { return min_; }
    int32_t Max() const { return max_; }
    int32_t Position() const { return position_; }
    float DegreesPerUnit() const { return degreesPerUnit_; }
    int PointerAngle() const { return pointerAngle_; }

    // Takes the new range first, then the value clamped into it.
    void SetParams(int64_t value, int32_t min, int32_t max);
    int32_t ValueAt(int angle) const { return ValueAtAngle(angle, min_, max_, degreesPerUnit_); }
    int32_t Guard(int32_t candidate) const { return GuardJump(candidate, position_, max_); }

private:
    int32_t min_ = 0;
    int32_t max_ = 127;
    int32_t position_ = 0;
    float degreesPerUnit_ = knob::DegreesPerUnit(0, 127);
    int pointerAngle_ = kMinStopAngle;
};

}  // namespace kivu::knob

#include "meter/dial_geometry.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <span>

namespace {

// Intermediate arithmetic runs in double precision; the values marked as
// single precision in the drawing are rounded to float when computed.
using Wide = double;

constexpr Wide kPi = std::numbers::pi;
constexpr int32_t kMarginX = 20;
constexpr int32_t kMarginY = 30;
constexpr int32_t kBaseDepth = 280;  // needle base line below the arc's rise

// Nearest integer, halves to the even neighbour.
int32_t roundHalfEven(Wide value) { return static_cast<int32_t>(std::nearbyint(value)); }

float single(Wide value) { return static_cast<float>(value); }

struct LabelStep {
    int32_t step;
    const char* text;
    int32_t dx, dy;
};

constexpr std::array<LabelStep, 9> kLabels6{{
    {0, "-600", 5, 7}, {15, "-450", 8, 6}, {30, "-300", 10, 5}, {45, "-150", 10, 4}, {60, "0", 3, 4},
    {75, "150", 5, 5}, {90, "300", 8, 5}, {105, "450", 10, 6}, {120, "600", 15, 7},
}};
constexpr std::array<LabelStep, 9> kLabels10{{
    {0, "-360", 5, 7}, {9, "-270", 8, 6}, {18, "-180", 10, 5}, {27, "-90", 10, 4}, {36, "0", 3, 4},
    {45, "90", 5, 5}, {54, "180", 8, 5}, {63, "270", 10, 6}, {72, "360", 15, 8},
}};
constexpr std::array<LabelStep, 9> kLabels7{{
    {0, "-1", 1, 7}, {25, "-0.75", 8, 6}, {50, "-0.50", 10, 5}, {75, "-0.25", 10, 4}, {100, "0", 3, 4},
    {125, "0.25", 5, 5}, {150, "0.50", 8, 5}, {175, "0.75", 10, 6}, {200, "1", 10, 2},
}};

struct Divisions {
    const char* name;
    std::span<const LabelStep> labels;
    int32_t majorEvery;  // 0: no major marks
};

constexpr std::array<Divisions, 3> kDivisions{{
    {"6", kLabels6, 15},
    {"10", kLabels10, 25},
    {"7", kLabels7, 0},
}};

}  // namespace

DialGeometry::DialGeometry(int32_t panelWidth, int32_t panelHeight)
{
    c_ = single(Wide(panelWidth) - 2 * kMarginX);
    h_ = single(Wide(panelHeight) - 2 * kMarginY);
    // radius of the circle through the chord's ends with that rise
    r_ = single((4 * Wide(h_) * h_ + Wide(c_) * c_) / (8 * Wide(h_)));
    // the arc's angle in degrees, with the four-decimal constant the meter used
    a_ = single(2 * std::atan((Wide(c_) / 2) / (Wide(r_) - h_)) * 180 / Wide(3.1415));
    s0_ = single((180 - Wide(a_)) / 2);
}

float DialGeometry::stepAngle(float step, float steps) const
{
    return single((Wide(a_) / steps * step + s0_) * kPi / 180);
}

DialPoint DialGeometry::pointAt(float angle, int k) const
{
    const Wide cosA = std::cos(Wide(angle));
    const Wide sinA = std::sin(Wide(angle));
    const float f = single(Wide(r_) * cosA + k * cosA);
    const float g = single(Wide(r_) * sinA + k * sinA);
    return {roundHalfEven(Wide(c_) / 2 - f + kMarginX), roundHalfEven(Wide(r_) - g + kMarginY)};
}

DialScale DialGeometry::scale(const DialRange& range) const
{
    DialScale scale;
    const auto divisions = std::find_if(kDivisions.begin(), kDivisions.end(), [&](const Divisions& d) {
        return range.DialDivisions == d.name;
    });
    const int32_t n = range.DialStep;
    for (int32_t i = 0; i <= n; ++i) {
        const float angle = stepAngle(static_cast<float>(i), static_cast<float>(n));
        if (divisions == kDivisions.end())
            continue;
        for (const LabelStep& label : divisions->labels) {
            if (label.step != i)
                continue;
            const DialPoint at = pointAt(angle, 18);
            scale.labels.push_back({label.text, {at.x - label.dx, at.y - label.dy}});
        }
        if (divisions->majorEvery > 0 && i % divisions->majorEvery == 0)
            scale.majorMarks.push_back(pointAt(angle, 6));
    }
    scale.band.reserve(static_cast<std::size_t>(10 * std::max(n, 0) + 1));
    for (int32_t j = 0; j <= 10 * n; ++j)
        scale.band.push_back(pointAt(stepAngle(static_cast<float>(j), static_cast<float>(10 * n)), 3));
    return scale;
}

DialNeedle DialGeometry::needle(int32_t value, int32_t dialStep) const
{
    const float steps = single(10 * Wide(dialStep));
    float angle = stepAngle(static_cast<float>(value), steps);
    // The base point runs off along cot a: held 0.05 degrees off the
    // horizontal it stays within about 210,000 px.
    constexpr float kMin = static_cast<float>(0.05 * kPi / 180);
    constexpr float kMax = static_cast<float>(179.95 * kPi / 180);
    angle = std::clamp(angle, kMin, kMax);

    const Wide cosA = std::cos(Wide(angle));
    const Wide sinA = std::sin(Wide(angle));
    const float rCos = single(Wide(r_) * cosA);
    const float rSin = single(Wide(r_) * sinA);
    const DialPoint tip{roundHalfEven(Wide(c_) / 2 - rCos) + kMarginX,
                        roundHalfEven(Wide(r_) - rSin + 4) + kMarginY};

    const float d = single((Wide(r_) - h_) - kBaseDepth);
    const float run = single(Wide(d) * cosA / sinA);
    const DialPoint base{roundHalfEven(Wide(c_) / 2 - run) + kMarginX,
                         kMarginY + roundHalfEven(kBaseDepth + Wide(h_))};
    return {tip, base};
}

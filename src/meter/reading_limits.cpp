#include "meter/reading_limits.h"

#include "meter/reading_number.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace {

// high - H and low + H are rounded in binary: 1.1 - 0.2 comes out a hair
// above 0.9, and the reading "0.900" would clear a limit it only reached.
// Far below any display's resolution, far above that rounding.
double slack(double boundary) { return 1e-9 * std::max(1.0, std::fabs(boundary)); }

}  // namespace

bool ReadingLimits::valid(std::optional<double> high, std::optional<double> low, double hysteresis)
{
    if (high && !std::isfinite(*high))
        return false;
    if (low && !std::isfinite(*low))
        return false;
    if (!std::isfinite(hysteresis) || hysteresis < 0)
        return false;
    return !(high && low && *low > *high);
}

ReadingLimits::ReadingLimits(std::optional<double> high, std::optional<double> low, double hysteresis)
    : high_(high), low_(low), hysteresis_(hysteresis)
{
    if (!valid(high, low, hysteresis))
        throw std::invalid_argument("reading limits: finite limits, low <= high and a hysteresis >= 0");
}

void ReadingLimits::setUnit(std::string_view unit)
{
    if (unit == unit_)
        return;
    unit_ = unit;
    state_ = State::Inside;
}

std::vector<ReadingLimits::Event> ReadingLimits::offer(double value)
{
    if (!std::isfinite(value))
        return {};
    State next = State::Inside;
    if (high_ && value > *high_) {
        next = State::High;
    } else if (low_ && value < *low_) {
        next = State::Low;
    } else if (state_ == State::High) {
        const double clearsBelow = *high_ - hysteresis_;
        next = value >= clearsBelow - slack(clearsBelow) ? State::High : State::Inside;
    } else if (state_ == State::Low) {
        const double clearsAbove = *low_ + hysteresis_;
        next = value <= clearsAbove + slack(clearsAbove) ? State::Low : State::Inside;
    }
    if (next == state_)
        return {};
    std::vector<Event> events;
    if (state_ != State::Inside)
        events.push_back({state_ == State::High ? Which::High : Which::Low, Kind::Cleared});
    if (next != State::Inside)
        events.push_back({next == State::High ? Which::High : Which::Low, Kind::Crossed});
    state_ = next;
    return events;
}

std::vector<ReadingLimits::Event> ReadingLimits::offerReading(std::string_view valueText, std::string_view unitText)
{
    setUnit(unitText);
    const std::optional<double> value = readingNumber(valueText);
    if (!value)
        return {};
    return offer(*value);
}

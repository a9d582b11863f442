#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

/// Watches the main reading against a high and a low limit, each optional,
/// with a hysteresis H >= 0, so that a reading wavering at a limit is told
/// once and not every half second:
///
/// - above the high limit the reading is high, and stays high until one falls
///   below high - H;
/// - below the low limit it is low, and stays low until one rises above
///   low + H.
///
/// A reading equal to a limit does not cross it, and one exactly at
/// high - H (low + H) does not clear it; readings and limits are decimals,
/// so a boundary is met within a billionth of its size. A reading beyond one
/// limit is beyond it whatever the other one's hysteresis would keep (bands
/// may overlap when the limits lie closer than 2 H).
///
/// The limits are numbers in the unit in view, whichever it is, and the
/// state belongs to that unit: a change of unit starts it again inside, with
/// no event, since a high reached in KW says nothing about a KVA reading. The
/// first reading in the new unit that lies beyond a limit crosses it.
///
/// The owner stamps each event with its time and the reading.
class ReadingLimits {
public:
    enum class Which : std::uint8_t { High, Low };
    enum class Kind : std::uint8_t {
        Crossed,  ///< the reading went beyond the limit
        Cleared,  ///< it came back inside, past the hysteresis
    };
    struct Event {
        Which which = Which::High;
        Kind kind = Kind::Crossed;
        bool operator==(const Event&) const = default;
    };
    enum class State : std::uint8_t { Inside, High, Low };

    /// Whether these limits can be watched: finite numbers, a hysteresis of
    /// 0 or more, and the low limit not above the high one when both are set.
    static bool valid(std::optional<double> high, std::optional<double> low, double hysteresis);

    /// No limits: every reading is inside.
    ReadingLimits() = default;
    /// Throws std::invalid_argument unless valid(high, low, hysteresis).
    ReadingLimits(std::optional<double> high, std::optional<double> low, double hysteresis = 0);

    std::optional<double> high() const { return high_; }
    std::optional<double> low() const { return low_; }
    double hysteresis() const { return hysteresis_; }
    /// Whether any limit is set.
    bool any() const { return high_ || low_; }
    /// The limit @p which; 0 when it is not set (no event names one that is not).
    double limit(Which which) const { return (which == Which::High ? high_ : low_).value_or(0); }

    State state() const { return state_; }
    /// The unit of the readings the state belongs to; empty at first.
    const std::string& unit() const { return unit_; }

    /// The unit in view is @p unit; when it differs from the one before, the
    /// state starts again inside, without an event.
    void setUnit(std::string_view unit);

    /// Judges @p value, in the unit in view. Returns the events in the order
    /// they happen, at most two: a reading that jumps from beyond one limit
    /// to beyond the other clears the first, then crosses the other. A value
    /// that is no finite number gives none and keeps the state.
    std::vector<Event> offer(double value);

    /// A reading as the decoder shows it: setUnit(@p unitText), then offer of
    /// the number @p valueText stands for (readingNumber, either decimal
    /// separator). A text that is no number ("OL", an empty one) gives no
    /// event and keeps the state.
    std::vector<Event> offerReading(std::string_view valueText, std::string_view unitText);

private:
    std::optional<double> high_;
    std::optional<double> low_;
    double hysteresis_ = 0;
    State state_ = State::Inside;
    std::string unit_;
};

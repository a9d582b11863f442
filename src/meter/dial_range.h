#pragma once

#include <cstdint>
#include <string>

/// Range values of the analog dial. They always change together through
/// SelectDialRange; only BarMax starts out of step (60, the bar graph's
/// maximum in the window layout).
struct DialRange {
    std::string DialDivisions = "6";  ///< division text of the scale: "6", "10" or "7"
    int32_t DialFullScale = 600;      ///< full-scale value of the range
    int32_t DialCentre = 600;         ///< needle value of a zero reading
    int32_t BarMax = 60;              ///< maximum of the bar graph
    int32_t DialStep = 120;           ///< one tenth of the needle span

    /// Takes the row of range type 0 (power, frequency), 1 (phase angle) or
    /// 3 (power factor). Any other type leaves the values as they are.
    void SelectDialRange(int32_t type);
};

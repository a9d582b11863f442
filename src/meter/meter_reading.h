#pragma once

#include <string>

/// The current reading as the LCD shows it. Texts are 8-bit strings in the
/// system code page; the decimal separator is the locale's.
struct MeterReading {
    std::string ValueText = "0000";  ///< main value, "-" when negative, "OL" on overload
    std::string UnitText;            ///< "KW", "KVA", "KVAr", "PF", "o" or "Hz"
    std::string VValueText;          ///< voltage display, overload kept as shown ("0@")
    std::string VUnitText;           ///< "v" once a frame of mode 0 to 5 arrived
    std::string IValueText;          ///< current display
    std::string IUnitText;           ///< "A" once a frame of mode 0 to 5 arrived
};

#pragma once

#include <string>

/// A font of the report. The family is the one the layout names; the
/// painter falls back to a metric-compatible face where it is missing.
struct ReportFont {
    std::string family = "Arial";
    double pointSize = 10.0;
    bool bold = false;

    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

/// One text placed on a page. Positions and sizes are in millimetres from
/// the page's top-left corner. A text with a box (boxWidthMm > 0) is centred
/// in it; any other text is left-aligned with its top-left corner at
/// (leftMm, topMm) and sized to its text.
struct ReportItem {
    std::string text;  ///< 8-bit, system code page
    ReportFont font;
    double leftMm = 0.0;
    double topMm = 0.0;
    double boxWidthMm = 0.0;
    double boxHeightMm = 0.0;

    bool hasBox() const { return boxWidthMm > 0.0; }
};

#pragma once

/// The report's own file: the print date and the rows the report shows,
/// so a saved report loads back into the same pages.
///
///     ZQMETER DATA REPORT 1
///     date<TAB>12/10/26
///     fields<TAB>No<TAB>Time<TAB>Value<TAB>Unit<TAB>V_value<TAB>V_unit<TAB>I_value<TAB>I_unit
///     rows<TAB>2
///     1<TAB>10:00:01<TAB>1.23<TAB>KW<TAB>230.1<TAB>v<TAB>5.3<TAB>A
///     2<TAB>...
///
/// Lines end in a line feed; texts are 8-bit, system code page, in the
/// field form of ReportRowList::encodeField ("\N" for a missing value).
namespace ReportFileFormat {
inline constexpr const char* kMagic = "ZQMETER DATA REPORT 1";
inline constexpr const char* kSuffix = "zqr";
}  // namespace ReportFileFormat

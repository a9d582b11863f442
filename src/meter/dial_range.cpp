#include "meter/dial_range.h"

#include <array>

namespace {

struct DialRangeRow {
    int32_t type;
    const char* divisions;
    int32_t fullScale;  // also the centre and the bar maximum
};

constexpr std::array<DialRangeRow, 3> kDialRanges{{
    {0, "6", 600},
    {1, "10", 360},
    {3, "7", 1000},
}};

}  // namespace

void DialRange::SelectDialRange(int32_t type)
{
    for (const DialRangeRow& row : kDialRanges) {
        if (row.type != type)
            continue;
        DialDivisions = row.divisions;
        DialFullScale = row.fullScale;
        DialCentre = row.fullScale;
        BarMax = row.fullScale;
        DialStep = row.fullScale / 5;
        return;
    }
}

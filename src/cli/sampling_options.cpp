#include "cli/sampling_options.h"

#include "meter/whole_number.h"
#include "record/record_sampling.h"

bool SamplingOptions::take(std::string_view option, const std::string& value)
{
    if (option == "--repeat" && !repeat && (value == "on" || value == "off")) {
        repeat = value == "on";
        return true;
    }
    if (option == "--interval" && !interval && parseWholeNumber(value).value_or(-1) >= 0) {
        interval = value;
        return true;
    }
    if (option == "--limit" && !limit && parseWholeNumber(value)) {
        limit = parseWholeNumber(value);
        return true;
    }
    return false;
}

void SamplingOptions::applyTo(RecordSampling& sampling) const
{
    if (repeat)
        sampling.setRepeatSet(*repeat);
    if (interval) {
        sampling.setRecordSI(true);
        sampling.setRecordSITimeText(*interval);
    }
    if (limit)
        sampling.setRecordLimit(*limit);
}

// The report-descriptor parser on bytes as hidraw hands them over, against
// a plain model that sums the bits of every report in exact arithmetic: an
// accepted descriptor gives the longest report of each kind, rounded up to
// bytes, plus the ID byte; one whose reports cannot be that long (more than
// 65534 bytes) is refused rather than given a wrapped length.

#include "fuzz_check.h"

#include "link/hid/hid_report_descriptor.h"

#include <map>
#include <optional>
#include <span>
#include <vector>

namespace {

struct Model {
    bool complete = true;  // no item ran past the end, no Pop without Push
    bool reportIds = false;
    unsigned __int128 longest[3] = {0, 0, 0};  // bits
};

Model modelOf(std::span<const std::uint8_t> d)
{
    Model model;
    struct Globals {
        std::uint32_t size = 0, count = 0, id = 0;
    } globals;
    std::vector<Globals> stack;
    std::map<std::uint32_t, unsigned __int128> bits[3];
    std::size_t pos = 0;
    while (pos < d.size()) {
        if (d[pos] == 0xFE) {
            if (pos + 3 > d.size() || pos + 3 + d[pos + 1] > d.size()) {
                model.complete = false;
                break;
            }
            pos += 3 + d[pos + 1];
            continue;
        }
        const std::uint8_t prefix = d[pos];
        const std::size_t length = (prefix & 3) == 3 ? 4 : (prefix & 3);
        if (pos + 1 + length > d.size()) {
            model.complete = false;
            break;
        }
        std::uint32_t value = 0;
        for (std::size_t i = 0; i < length; ++i)
            value |= std::uint32_t{d[pos + 1 + i]} << (8 * i);
        pos += 1 + length;
        const int type = (prefix >> 2) & 3, tag = prefix >> 4;
        if (type == 1) {
            if (tag == 7)
                globals.size = value;
            else if (tag == 9)
                globals.count = value;
            else if (tag == 8) {
                globals.id = value;
                model.reportIds = true;
            } else if (tag == 0xA)
                stack.push_back(globals);
            else if (tag == 0xB) {
                if (stack.empty()) {
                    model.complete = false;
                    break;
                }
                globals = stack.back();
                stack.pop_back();
            }
        } else if (type == 0) {
            const int kind = tag == 8 ? 0 : tag == 9 ? 1 : tag == 0xB ? 2 : -1;
            if (kind >= 0)
                bits[kind][globals.id] += static_cast<unsigned __int128>(globals.size) * globals.count;
        }
    }
    for (int kind = 0; kind < 3; ++kind)
        for (const auto& [id, count] : bits[kind])
            model.longest[kind] = count > model.longest[kind] ? count : model.longest[kind];
    return model;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> descriptor(data, size);
    const std::optional<THidCaps> caps = HidParseReportDescriptor(descriptor);
    const Model model = modelOf(descriptor);

    bool fits = true;
    std::uint16_t expected[3] = {0, 0, 0};
    for (int kind = 0; kind < 3; ++kind) {
        if (model.longest[kind] == 0)
            continue;
        const unsigned __int128 bytes = (model.longest[kind] + 7) / 8 + 1;
        if (bytes > 0xFFFF)
            fits = false;
        else
            expected[kind] = static_cast<std::uint16_t>(bytes);
    }
    FUZZ_CHECK(caps.has_value() == (model.complete && fits));
    if (caps) {
        FUZZ_CHECK(caps->InputReportByteLength == expected[0]);
        FUZZ_CHECK(caps->OutputReportByteLength == expected[1]);
        FUZZ_CHECK(caps->FeatureReportByteLength == expected[2]);
    }
    // Report IDs are found in every item read before a malformed one.
    if (model.reportIds)
        FUZZ_CHECK(HidDescriptorHasReportIds(descriptor));
    return 0;
}

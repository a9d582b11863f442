#include "link/hid/hid_report_descriptor.h"

#include <algorithm>
#include <map>
#include <vector>

namespace {

// Item prefix byte: bits 0-1 data size (0, 1, 2 or 4 bytes), bits 2-3 type
// (0 main, 1 global, 2 local), bits 4-7 tag. 0xFE starts a long item:
// data size byte, tag byte, then the data.
constexpr uint8_t kLongItem = 0xFE;

enum : uint8_t { kTypeMain = 0, kTypeGlobal = 1, kTypeLocal = 2 };

// Main item tags.
constexpr uint8_t kInput = 0x8, kOutput = 0x9, kFeature = 0xB, kCollection = 0xA,
                  kEndCollection = 0xC;
// Global item tags.
constexpr uint8_t kUsagePage = 0x0, kReportSize = 0x7, kReportId = 0x8, kReportCount = 0x9,
                  kPush = 0xA, kPop = 0xB;
// Local item tag.
constexpr uint8_t kUsage = 0x0;

struct Item {
    uint8_t Type = 0;
    uint8_t Tag = 0;
    uint32_t Value = 0;  // unsigned, little-endian
    std::size_t Size = 0;
};

// Walks the items; stops at the first one that runs past the end.
template <typename Visit>
bool walkItems(std::span<const uint8_t> d, Visit&& visit)
{
    std::size_t pos = 0;
    while (pos < d.size()) {
        const uint8_t prefix = d[pos];
        if (prefix == kLongItem) {
            if (pos + 3 > d.size())
                return false;
            const std::size_t size = d[pos + 1];
            if (pos + 3 + size > d.size())
                return false;
            pos += 3 + size;  // long items carry no data this layer uses
            continue;
        }
        static constexpr std::size_t kSizes[4] = {0, 1, 2, 4};
        Item item;
        item.Size = kSizes[prefix & 0x3];
        item.Type = (prefix >> 2) & 0x3;
        item.Tag = prefix >> 4;
        if (pos + 1 + item.Size > d.size())
            return false;
        for (std::size_t i = 0; i < item.Size; ++i)
            item.Value |= uint32_t{d[pos + 1 + i]} << (8 * i);
        pos += 1 + item.Size;
        if (!visit(item))
            return false;
    }
    return true;
}

struct Globals {
    uint32_t UsagePage = 0;
    uint32_t ReportSize = 0;
    uint32_t ReportCount = 0;
    uint32_t ReportId = 0;
};

}  // namespace

bool HidDescriptorHasReportIds(std::span<const uint8_t> descriptor)
{
    bool found = false;
    walkItems(descriptor, [&](const Item& item) {
        if (item.Type == kTypeGlobal && item.Tag == kReportId)
            found = true;
        return true;
    });
    return found;
}

std::optional<THidCaps> HidParseReportDescriptor(std::span<const uint8_t> descriptor)
{
    Globals globals;
    std::vector<Globals> stack;
    // Bits per report ID for input, output and feature reports.
    std::map<uint32_t, uint64_t> bits[3];
    uint32_t pendingUsage = 0;
    bool pendingUsageSet = false;
    int depth = 0;
    bool topSeen = false;
    THidCaps caps;

    const bool complete = walkItems(descriptor, [&](const Item& item) {
        if (item.Type == kTypeGlobal) {
            switch (item.Tag) {
            case kUsagePage: globals.UsagePage = item.Value; break;
            case kReportSize: globals.ReportSize = item.Value; break;
            case kReportCount: globals.ReportCount = item.Value; break;
            case kReportId:
                globals.ReportId = item.Value;
                break;
            case kPush: stack.push_back(globals); break;
            case kPop:
                if (stack.empty())
                    return false;
                globals = stack.back();
                stack.pop_back();
                break;
            default: break;
            }
        } else if (item.Type == kTypeLocal) {
            if (item.Tag == kUsage && !pendingUsageSet) {
                pendingUsage = item.Value;
                pendingUsageSet = true;
            }
        } else if (item.Type == kTypeMain) {
            const int kind = item.Tag == kInput ? 0 : item.Tag == kOutput ? 1 : item.Tag == kFeature ? 2 : -1;
            if (kind >= 0) {
                // Held at a ceiling far past the longest report allowed, so
                // that a sum past 64 bits cannot wrap round to a short report.
                constexpr uint64_t kCeiling = uint64_t{1} << 40;
                uint64_t& total = bits[kind][globals.ReportId];
                const uint64_t added = uint64_t{globals.ReportSize} * uint64_t{globals.ReportCount};
                total = added >= kCeiling - total ? kCeiling : total + added;
            } else if (item.Tag == kCollection) {
                if (depth == 0 && !topSeen) {
                    topSeen = true;
                    // A 4-byte usage carries its own page in the high half.
                    caps.UsagePage = static_cast<uint16_t>(
                        pendingUsageSet && pendingUsage > 0xFFFF ? pendingUsage >> 16 : globals.UsagePage);
                    caps.Usage = static_cast<uint16_t>(pendingUsage & 0xFFFF);
                }
                ++depth;
            } else if (item.Tag == kEndCollection) {
                depth = std::max(depth - 1, 0);
            }
            // Local items hold only up to the next main item.
            pendingUsage = 0;
            pendingUsageSet = false;
        }
        return true;
    });
    if (!complete)
        return std::nullopt;

    uint16_t* lengths[3] = {&caps.InputReportByteLength, &caps.OutputReportByteLength,
                            &caps.FeatureReportByteLength};
    for (int kind = 0; kind < 3; ++kind) {
        uint64_t longest = 0;
        for (const auto& [id, count] : bits[kind])
            longest = std::max(longest, count);
        if (longest == 0)
            continue;
        const uint64_t bytes = (longest + 7) / 8 + 1;
        if (bytes > 0xFFFF)
            return std::nullopt;
        *lengths[kind] = static_cast<uint16_t>(bytes);
    }
    return caps;
}

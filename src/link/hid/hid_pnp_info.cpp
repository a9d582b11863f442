#include "link/hid/hid_pnp_info.h"

#include <algorithm>
#include <cstring>

namespace {
using K = EHidPropertyKind;
// Device description, hardware IDs, class and so on: informative only, no
// part of the program reads them, but every object carries them.
constexpr std::array<std::pair<uint32_t, EHidPropertyKind>, THidPnPInfo::kPropertyCount> kCodes{{
    {0x0F, K::Number}, {0x07, K::Text},   {0x08, K::Text},   {0x02, K::List},   {0x0A, K::Number},
    {0x00, K::Text},   {0x09, K::Text},   {0x0C, K::Text},   {0x01, K::List},   {0x12, K::List},
    {0x0B, K::Text},   {0x11, K::List},   {0x04, K::Text},   {0x1C, K::Text},   {0x15, K::Number},
    {0x13, K::Text},   {0x1B, K::Text},   {0x19, K::Number}, {0x16, K::Text},   {0x1A, K::Number},
    {0x14, K::Number}, {0x0D, K::Text},   {0x0E, K::Text},   {0x18, K::Text},   {0x10, K::Number},
    {0x1E, K::Text},
}};
}  // namespace

const std::array<std::pair<uint32_t, EHidPropertyKind>, THidPnPInfo::kPropertyCount>&
THidPnPInfo::PropertyCodes()
{
    return kCodes;
}

std::string HidBufferText(const uint8_t* buffer, std::size_t size)
{
    const auto* end = std::find(buffer, buffer + size, uint8_t{0});
    return std::string(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(end - buffer));
}

std::vector<std::string> HidBufferTextList(const uint8_t* buffer, std::size_t size)
{
    std::vector<std::string> list;
    std::size_t pos = 0;
    while (pos < size && buffer[pos] != 0) {
        std::string text = HidBufferText(buffer + pos, size - pos);
        pos += text.size() + 1;
        list.push_back(std::move(text));
    }
    return list;
}

THidPnPInfo::THidPnPInfo(THidPlatform& platform, THidDeviceInfoSet set, uint32_t index,
                         uint32_t devInst, std::string devicePath)
    : DeviceInstance(devInst), DevicePath(std::move(devicePath))
{
    std::vector<uint8_t> buffer(kHidPropertyListBytes);
    for (std::size_t i = 0; i < kPropertyCount; ++i) {
        const auto [code, kind] = kCodes[i];
        THidPnPProperty& p = Properties[i];
        p.Code = code;
        p.Kind = kind;
        const uint32_t size = kind == K::Text     ? kHidPropertyTextBytes
                              : kind == K::List ? kHidPropertyListBytes
                                                : kHidPropertyNumberBytes;
        std::fill_n(buffer.begin(), size, uint8_t{0});
        // A failed read leaves the cleared buffer: empty text, empty list, 0.
        platform.GetDeviceRegistryProperty(set, index, code, buffer.data(), size);
        switch (kind) {
        case K::Number:
            p.Number = uint32_t{buffer[0]} | uint32_t{buffer[1]} << 8 | uint32_t{buffer[2]} << 16 |
                       uint32_t{buffer[3]} << 24;
            break;
        case K::Text:
            p.Text = HidBufferText(buffer.data(), size);
            break;
        case K::List:
            p.List = HidBufferTextList(buffer.data(), size);
            break;
        }
    }
}

const THidPnPProperty* THidPnPInfo::Property(uint32_t code) const
{
    for (const THidPnPProperty& p : Properties)
        if (p.Code == code)
            return &p;
    return nullptr;
}

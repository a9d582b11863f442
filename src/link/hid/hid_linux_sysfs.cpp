#include "link/hid/hid_linux_sysfs.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>

std::map<std::string, std::string> HidParseUevent(std::string_view text)
{
    std::map<std::string, std::string> values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0)
            continue;
        values[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
    }
    return values;
}

namespace {
template <typename T>
std::optional<T> parseHex(std::string_view text, std::size_t maxDigits)
{
    if (text.empty() || text.size() > maxDigits)
        return std::nullopt;
    T value{};
    const auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (ec != std::errc{} || ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}
}  // namespace

std::optional<THidLinuxHidId> HidParseHidId(std::string_view value)
{
    // BUS:VENDOR:PRODUCT, each up to 8 hex digits; vendor and product are 16-bit.
    const std::size_t a = value.find(':');
    const std::size_t b = a == std::string_view::npos ? a : value.find(':', a + 1);
    if (b == std::string_view::npos)
        return std::nullopt;
    const auto bus = parseHex<uint32_t>(value.substr(0, a), 8);
    const auto vendor = parseHex<uint32_t>(value.substr(a + 1, b - a - 1), 8);
    const auto product = parseHex<uint32_t>(value.substr(b + 1), 8);
    if (!bus || !vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF)
        return std::nullopt;
    return THidLinuxHidId{*bus, static_cast<uint16_t>(*vendor), static_cast<uint16_t>(*product)};
}

std::optional<uint16_t> HidParseHex16(std::string_view text)
{
    return parseHex<uint16_t>(text, 4);
}

std::optional<std::pair<uint32_t, uint32_t>> HidParseDevNumbers(std::string_view text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos)
        return std::nullopt;
    uint32_t major = 0, minor = 0;
    const std::string_view a = text.substr(0, colon), b = text.substr(colon + 1);
    auto r1 = std::from_chars(a.data(), a.data() + a.size(), major);
    auto r2 = std::from_chars(b.data(), b.data() + b.size(), minor);
    if (a.empty() || b.empty() || r1.ec != std::errc{} || r1.ptr != a.data() + a.size() ||
        r2.ec != std::errc{} || r2.ptr != b.data() + b.size())
        return std::nullopt;
    return std::make_pair(major, minor);
}

uint32_t HidDeviceInstanceFromSyspath(std::string_view hidrawSyspath)
{
    const std::string hidName = HidDeviceDirOf(std::filesystem::path(hidrawSyspath)).filename().string();
    // "BBBB:VVVV:PPPP.NNNN": NNNN is the kernel's HID device counter in hex.
    const std::size_t dot = hidName.rfind('.');
    if (dot != std::string::npos && std::count(hidName.begin(), hidName.end(), ':') == 2) {
        if (auto counter = parseHex<uint32_t>(std::string_view(hidName).substr(dot + 1), 8))
            return *counter;
    }
    uint32_t hash = 2166136261u;  // FNV-1a
    for (const char c : hidrawSyspath) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 16777619u;
    }
    return hash;
}

std::filesystem::path HidDeviceDirOf(const std::filesystem::path& hidrawSyspath)
{
    return hidrawSyspath.parent_path().parent_path();
}

std::optional<std::filesystem::path> HidFindUsbParent(const std::filesystem::path& hidrawSyspath)
{
    std::error_code ec;
    for (std::filesystem::path dir = HidDeviceDirOf(hidrawSyspath); dir.has_relative_path();
         dir = dir.parent_path()) {
        if (std::filesystem::exists(dir / "idVendor", ec) &&
            std::filesystem::exists(dir / "bcdDevice", ec))
            return dir;
        if (dir == dir.parent_path())
            break;
    }
    return std::nullopt;
}

std::optional<std::string> HidReadSysfsText(const std::filesystem::path& file)
{
    auto bytes = HidReadSysfsBytes(file, 4096);
    if (!bytes)
        return std::nullopt;
    std::string text(bytes->begin(), bytes->end());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\0'))
        text.pop_back();
    return text;
}

std::optional<std::vector<uint8_t>> HidReadSysfsBytes(const std::filesystem::path& file,
                                                      std::size_t limit)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<uint8_t> bytes(limit);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(limit));
    if (in.bad())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

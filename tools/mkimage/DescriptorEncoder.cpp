#include "DescriptorEncoder.h"

#include <cctype>
#include <map>
#include <vector>

namespace mkimage {

namespace {

constexpr uint8_t kDevice = 0x01, kConfiguration = 0x02, kOtherSpeedConfiguration = 0x07, kCsInterface = 0x24;

const std::map<std::string, uint8_t> kTypeNames = {
    {"DEVICE", 0x01},
    {"CONFIGURATION", 0x02},
    {"STRING", 0x03},
    {"INTERFACE", 0x04},
    {"ENDPOINT", 0x05},
    {"DEVICE_QUALIFIER", 0x06},
    {"OTHER_SPEED_CONFIGURATION", 0x07},
    {"INTERFACE_ASSOCIATION", 0x0B},
    {"HID", 0x21},
    {"REPORT", 0x22},
    {"CS_INTERFACE", 0x24},
    {"CS_ENDPOINT", 0x25},
};

// Size in bytes of one element of a field, from its lower-case prefix.
size_t FieldSize(const std::string& name, const std::string& where) {
    size_t n = 0;
    while (n < name.size() && std::islower(static_cast<unsigned char>(name[n]))) ++n;
    const std::string prefix = name.substr(0, n);
    static const std::map<std::string, size_t> sizes = {
        {"b", 1}, {"bm", 1}, {"i", 1}, {"ba", 1}, {"bma", 1}, {"w", 2}, {"bcd", 2}, {"id", 2}, {"t", 3}};
    const auto it = sizes.find(prefix);
    if (it == sizes.end() || n == name.size())
        throw DescriptionError(where + ": cannot tell the size of field \"" + name + "\"");
    return it->second;
}

void Append(std::string& out, uint32_t value, size_t size) {
    for (size_t i = 0; i < size; ++i) out.push_back(static_cast<char>(value >> (8 * i)));
}

}  // namespace

std::string DescriptorEncoder::EncodeOne(const Json& d, const std::string& where,
                                         size_t& autoLengthAt) const {
    if (!d.is_object() || !d.contains("bDescriptorType"))
        throw DescriptionError(where + ": a descriptor needs a bDescriptorType");
    std::string out(1, '\0');  // bLength, filled in below
    autoLengthAt = 0;
    for (const auto& [name, value] : d.items()) {
        if (name == "note") continue;
        const std::string at = where + "." + name;
        if (name == "bLength") throw DescriptionError(at + ": bLength is computed, leave it out");
        const size_t size = FieldSize(name, at);
        const uint32_t max = size == 1 ? 0xFF : size == 2 ? 0xFFFF : 0xFFFFFF;
        if (value.is_array()) {
            for (const auto& item : value) Append(out, ToNumber(item, at, max), size);
            continue;
        }
        if (value.is_string()) {
            const std::string text = value.get<std::string>();
            if (name == "wTotalLength" && text == "auto") {
                autoLengthAt = out.size();
                Append(out, 0, size);  // patched once the set is encoded
                continue;
            }
            if (text.rfind("sizeof:", 0) == 0) {
                Append(out, ToNumber(Json(sizeOf_(text.substr(7))), at, max), size);
                continue;
            }
            if ((name == "bDescriptorType" || name == "bClassDescriptorType") && kTypeNames.count(text)) {
                Append(out, kTypeNames.at(text), size);
                continue;
            }
        }
        Append(out, ToNumber(value, at, max), size);
    }
    if (out.size() > 0xFF) throw DescriptionError(where + ": descriptor longer than 255 bytes");
    out[0] = static_cast<char>(out.size());
    return out;
}

std::string DescriptorEncoder::Encode(const Json& descriptors, const std::string& where) const {
    if (!descriptors.is_array()) throw DescriptionError(where + ": expected a list of descriptors");
    std::vector<std::string> encoded;
    std::vector<size_t> autoLengthAt;
    for (size_t i = 0; i < descriptors.size(); ++i) {
        size_t at = 0;
        encoded.push_back(EncodeOne(descriptors[i], where + "[" + std::to_string(i) + "]", at));
        autoLengthAt.push_back(at);
    }

    for (size_t i = 0; i < encoded.size(); ++i) {
        if (autoLengthAt[i] == 0) continue;
        const uint8_t type = static_cast<uint8_t>(encoded[i][1]);
        size_t end = i + 1;
        if (type == kConfiguration || type == kOtherSpeedConfiguration) {
            while (end < encoded.size()) {
                const uint8_t t = static_cast<uint8_t>(encoded[end][1]);
                if (t == kDevice || t == kConfiguration || t == kOtherSpeedConfiguration) break;
                ++end;
            }
        } else if (type == kCsInterface) {
            while (end < encoded.size() && static_cast<uint8_t>(encoded[end][1]) == kCsInterface) ++end;
        } else {
            throw DescriptionError(where + "[" + std::to_string(i) +
                                   "]: \"auto\" length on a descriptor of type " + std::to_string(type));
        }
        size_t total = 0;
        for (size_t k = i; k < end; ++k) total += encoded[k].size();
        if (total > 0xFFFF) throw DescriptionError(where + ": descriptor set too long");
        const size_t fieldAt = autoLengthAt[i];
        encoded[i][fieldAt] = static_cast<char>(total);
        encoded[i][fieldAt + 1] = static_cast<char>(total >> 8);
    }

    std::string out;
    for (const auto& e : encoded) out += e;
    return out;
}

}  // namespace mkimage

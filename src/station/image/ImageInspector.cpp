#include "station/image/ImageInspector.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

#include "chip/ImageLayout.h"
#include "station/operator/TerminalText.h"

namespace zt::station {

namespace img = zt::image;

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

std::string HexBytes(std::span<const uint8_t> bytes) {
    std::string out;
    for (uint8_t b : bytes) out += Format(out.empty() ? "%02X" : " %02X", b);
    return out;
}

std::string Quoted(const std::vector<uint16_t>& units) {
    // Appended piece by piece: GCC 12 at -O3 takes "\"" + text for an overlapping copy.
    std::string quoted(1, '"');
    quoted += ForTerminal(units);
    quoted += '"';
    return quoted;
}

const char* RecordTitle(std::string_view tag) {
    if (tag == img::kFirmwareTag) return "firmware record";
    if (tag == img::kChipClassTag) return "chip-class record";
    if (tag == img::kHsDescriptorTag) return "high-speed descriptors";
    if (tag == img::kFsDescriptorTag) return "full-speed descriptors";
    if (tag == img::kStringsTag) return "string descriptors";
    if (tag == img::kHidReportTag) return "HID report descriptor";
    return "not interpreted";
}

const char* InterfaceClassName(uint8_t cls, uint8_t sub) {
    if (cls == 1 && sub == 1) return "audio control";
    if (cls == 1 && sub == 2) return "audio streaming";
    if (cls == 1) return "audio";
    if (cls == 3) return "HID";
    return "other";
}

const char* TransferType(uint8_t attributes) {
    static const char* const names[] = {"control", "isochronous", "bulk", "interrupt"};
    return names[attributes & 3];
}

constexpr uint8_t kTypeDevice = 1, kTypeConfiguration = 2, kTypeString = 3, kTypeInterface = 4,
                  kTypeEndpoint = 5, kTypeQualifier = 6, kTypeHid = 0x21, kTypeCsInterface = 0x24,
                  kTypeCsEndpoint = 0x25;

}  // namespace

uint16_t ImageInspector::Le16(size_t pos) const { return Has(pos, 2) ? img::ReadLe16(image_, pos) : 0; }

std::vector<ImageInspector::Record> ImageInspector::Records() const {
    std::vector<Record> records;
    for (size_t p = 0; p < image_.size(); ++p)
        if (img::IsRecordTagAt(image_, p))
            records.push_back({p, std::string(reinterpret_cast<const char*>(&image_[p]), img::kTagSize)});
    return records;
}

std::optional<size_t> ImageInspector::FirstRecord(std::string_view tag) const {
    for (size_t p = 0; p < image_.size(); ++p)
        if (img::TagEquals(image_, p, tag)) return p;
    return std::nullopt;
}

std::optional<uint16_t> ImageInspector::FirmwareId() const {
    const auto at = FirstRecord(img::kFirmwareTag);
    if (!at || !Has(*at + img::kFirmwareIdField, 2)) return std::nullopt;
    return Le16(*at + img::kFirmwareIdField);
}

std::optional<uint8_t> ImageInspector::ChipClass() const {
    const auto at = FirstRecord(img::kChipClassTag);
    if (!at || !Has(*at + img::kChipClassField, 1)) return std::nullopt;
    return image_[*at + img::kChipClassField];
}

bool ImageInspector::HasHsDescriptors() const { return FirstRecord(img::kHsDescriptorTag).has_value(); }

std::optional<uint16_t> ImageInspector::ReleaseNumber() const {
    const auto at = FirstRecord(img::kFirmwareTag);
    if (!at || !Has(*at + 18, 2)) return std::nullopt;
    return Le16(*at + 18);
}

ImageInspector::DeviceIds ImageInspector::TailIds() const {
    return {Le16(img::kTailVendorId), Le16(img::kTailProductId), 0};
}

std::optional<ImageInspector::DeviceIds> ImageInspector::DescriptorIds(std::string_view tag) const {
    const auto at = FirstRecord(tag);
    if (!at) return std::nullopt;
    const size_t pos = *at + img::kTagSize;
    if (!Has(pos, img::kDeviceDescriptorSize) || image_[pos] != img::kDeviceDescriptorSize ||
        image_[pos + 1] != kTypeDevice)
        return std::nullopt;
    return DeviceIds{Le16(pos + 8), Le16(pos + 10), Le16(pos + img::kDeviceDescriptorBcdDevice)};
}

std::optional<ImageInspector::FirmwareIds> ImageInspector::FirmwareRecordIds() const {
    const auto at = FirstRecord(img::kFirmwareTag);
    if (!at || !Has(*at, img::kFirmwareRecordSize)) return std::nullopt;
    return FirmwareIds{Le16(*at + 20), Le16(*at + 22), Le16(*at + 24), Le16(*at + 18), Le16(*at + 26)};
}

std::string ImageInspector::ProductString() const {
    const auto strings = Strings();
    return strings.size() > 2 ? Quoted(strings[2].second) : "";
}

std::vector<std::pair<size_t, std::vector<uint16_t>>> ImageInspector::Strings() const {
    std::vector<std::pair<size_t, std::vector<uint16_t>>> strings;
    const auto at = FirstRecord(img::kStringsTag);
    if (!at) return strings;
    size_t pos = *at + img::kTagSize;
    while (Has(pos, 2) && image_[pos + 1] == kTypeString && image_[pos] >= 2 && image_[pos] % 2 == 0 &&
           Has(pos, image_[pos])) {
        std::vector<uint16_t> units;
        for (size_t i = 2; i < image_[pos]; i += 2) units.push_back(Le16(pos + i));
        strings.emplace_back(pos + 2, std::move(units));
        pos += image_[pos];
    }
    return strings;
}

void ImageInspector::WriteHeader(std::ostream& out) const {
    if (!Has(0, img::kHeaderSize)) {
        out << "header: image too short\n";
        return;
    }
    out << "header\n";
    const auto magic = image_.subspan(img::kMagicOffset, img::kMagic.size());
    const bool magicOk = std::equal(magic.begin(), magic.end(), img::kMagic.begin(),
                                    [](uint8_t a, char b) { return a == static_cast<uint8_t>(b); });
    out << "  magic            " << HexBytes(magic) << (magicOk ? "  \"WTC\"" : "  (not \"WTC\")") << "\n";
    out << Format("  header byte      0x%02X\n", image_[img::kHeaderByteOffset]);

    auto jump = [&](size_t programAddress) {
        const size_t pos = img::kProgramBase + programAddress;
        if (!Has(pos, 1)) return std::string("outside the image");
        if (image_[pos] == img::kOpLjmp && Has(pos, 3))
            return Format("LJMP 0x%04X", (image_[pos + 1] << 8) | image_[pos + 2]);
        if (image_[pos] == img::kOpReti) return std::string("RETI");
        return Format("%02X (neither LJMP nor RETI)", image_[pos]);
    };
    out << "  reset vector     " << jump(0) << "\n";
    out << "interrupt vectors (program addresses)\n";
    for (uint16_t v : img::kInterruptVectors) out << Format("  0x%04X           ", v) << jump(v) << "\n";
}

size_t ImageInspector::WriteDescriptor(std::ostream& out, size_t pos, size_t end,
                                       uint8_t& interfaceSubClass) const {
    const uint8_t length = image_[pos];
    const uint8_t type = image_[pos + 1];
    auto b = [&](size_t i) -> unsigned { return i < length ? image_[pos + i] : 0; };
    auto w = [&](size_t i) -> unsigned { return i + 1 < length ? Le16(pos + i) : 0; };

    // The bytes from pos through the descriptors of this record that a total length covers.
    auto setLength = [&](auto belongs) {
        size_t next = pos + length;
        while (next + 2 <= end && image_[next] >= 2 && next + image_[next] <= end &&
               belongs(image_[next + 1]))
            next += image_[next];
        return next - pos;
    };
    auto totalCheck = [&](unsigned total, size_t actual) {
        return total == actual ? std::string("(matches the set)")
                               : Format("(MISMATCH: the set holds %zu bytes)", actual);
    };

    switch (type) {
        case kTypeDevice:
            out << Format("    device            length %u  bcdUSB 0x%04X  class %02X/%02X/%02X  ep0 %u\n",
                          length, w(2), b(4), b(5), b(6), b(7));
            out << Format(
                "                      idVendor 0x%04X  idProduct 0x%04X  bcdDevice 0x%04X  "
                "strings %u/%u/%u  configurations %u\n",
                w(8), w(10), w(12), b(14), b(15), b(16), b(17));
            break;
        case kTypeQualifier:
            out << Format(
                "    device qualifier  length %u  bcdUSB 0x%04X  class %02X/%02X/%02X  ep0 %u  "
                "configurations %u\n",
                length, w(2), b(4), b(5), b(6), b(7), b(8));
            break;
        case kTypeConfiguration: {
            const size_t actual =
                setLength([](uint8_t t) { return t != kTypeDevice && t != kTypeConfiguration; });
            out << Format("    configuration %u   wTotalLength %u ", b(5), w(2)) << totalCheck(w(2), actual)
                << Format("  interfaces %u  attributes 0x%02X  max power %u mA\n", b(4), b(7), b(8) * 2);
            break;
        }
        case kTypeInterface:
            interfaceSubClass = static_cast<uint8_t>(b(6));
            out << Format("      interface %u alt %u  class %02X/%02X/%02X %s  endpoints %u\n", b(2), b(3),
                          b(5), b(6), b(7),
                          InterfaceClassName(static_cast<uint8_t>(b(5)), static_cast<uint8_t>(b(6))), b(4));
            break;
        case kTypeEndpoint:
            out << Format("        endpoint 0x%02X %s %s  max packet %u  interval %u\n", b(2),
                          (b(2) & 0x80) ? "IN" : "OUT", TransferType(static_cast<uint8_t>(b(3))), w(4), b(6));
            break;
        case kTypeHid:
            out << Format(
                "        HID  bcdHID 0x%04X  country %u  descriptors %u  report descriptor %u bytes\n", w(2),
                b(4), b(5), w(7));
            break;
        case kTypeCsInterface:
            if (interfaceSubClass == 1 && b(2) == 1) {
                const size_t actual = setLength([](uint8_t t) { return t == kTypeCsInterface; });
                out << Format("        audio control header  bcdADC 0x%04X  wTotalLength %u ", w(3), w(5))
                    << totalCheck(w(5), actual) << Format("  streaming interfaces %u\n", b(7));
            } else if (interfaceSubClass == 1 && b(2) == 2) {
                out << Format("        input terminal %u  type 0x%04X  channels %u\n", b(3), w(4), b(7));
            } else if (interfaceSubClass == 1 && b(2) == 3) {
                out << Format("        output terminal %u  type 0x%04X  source %u\n", b(3), w(4), b(7));
            } else if (interfaceSubClass == 1 && b(2) == 6) {
                out << Format("        feature unit %u  source %u\n", b(3), b(4));
            } else if (interfaceSubClass == 2 && b(2) == 1) {
                out << Format("        stream  terminal link %u  delay %u  format 0x%04X\n", b(3), b(4),
                              w(5));
            } else if (interfaceSubClass == 2 && b(2) == 2 && length >= 11) {
                out << Format("        format type %u  channels %u  %u bits  %u Hz\n", b(3), b(4), b(6),
                              b(8) | (b(9) << 8) | (b(10) << 16));
            } else {
                out << Format("        class-specific interface descriptor, subtype %u, length %u\n", b(2),
                              length);
            }
            break;
        case kTypeCsEndpoint:
            out << Format("        audio endpoint  attributes 0x%02X\n", b(3));
            break;
        default:
            out << Format("        descriptor type 0x%02X, length %u\n", type, length);
            break;
    }
    return length;
}

void ImageInspector::WriteDescriptors(std::ostream& out, size_t pos, size_t end) const {
    uint8_t interfaceSubClass = 0;
    while (pos < end && Has(pos, 2)) {
        const uint8_t length = image_[pos];
        if (length < 2 || !Has(pos, length) || pos + length > end) {
            if (length != 0) out << Format("    (descriptor at 0x%04zX runs past its record)\n", pos);
            return;
        }
        pos += WriteDescriptor(out, pos, end, interfaceSubClass);
    }
}

void ImageInspector::WriteRecord(std::ostream& out, const Record& record, size_t end) const {
    out << Format("  0x%04zX  ", record.offset) << record.tag << "  " << RecordTitle(record.tag) << "\n";
    auto fields = [&](std::span<const img::RecordField> layout) {
        for (const auto& f : layout) {
            const size_t at = record.offset + f.offset;
            out << "    " << f.name << std::string(16 - std::min<size_t>(15, f.name.size()), ' ');
            if (!Has(at, f.size))
                out << "(past the end of the image)";
            else if (f.size == 1)
                out << Format("0x%02X", image_[at]);
            else if (f.size == 2)
                out << Format("0x%04X", Le16(at));
            else
                out << HexBytes(image_.subspan(at, f.size));
            out << "\n";
        }
    };
    const size_t body = record.offset + img::kTagSize;
    if (record.tag == img::kFirmwareTag) {
        fields(img::kFirmwareRecordFields);
    } else if (record.tag == img::kChipClassTag) {
        fields(img::kChipClassRecordFields);
    } else if (record.tag == img::kHsDescriptorTag || record.tag == img::kFsDescriptorTag) {
        WriteDescriptors(out, body, end);
    } else if (record.tag == img::kStringsTag) {
        out << "    (listed under strings)\n";
    } else {
        const size_t shown = std::min<size_t>(end - body, 16);
        out << Format("    %zu bytes: ", end - body) << HexBytes(image_.subspan(body, shown))
            << (end - body > shown ? " ..." : "") << "\n";
    }
}

void ImageInspector::WriteStrings(std::ostream& out) const {
    const auto strings = Strings();
    out << "strings\n";
    if (strings.empty()) out << "  (none found)\n";
    for (size_t i = 0; i < strings.size(); ++i) {
        const auto& [offset, units] = strings[i];
        out << Format("  %zu  0x%04zX  ", i, offset - 2);
        if (i == 0) {
            out << "languages";
            for (uint16_t id : units) out << Format(" 0x%04X", id);
            out << "\n";
        } else {
            out << Quoted(units) << "\n";
        }
    }
}

void ImageInspector::WriteTail(std::ostream& out) const {
    if (!Has(img::kTailOffset, img::kTailEnd - img::kTailOffset)) {
        out << "tail block: image too short\n";
        return;
    }
    out << Format("tail block (0x%04zX)\n", img::kTailOffset);
    out << "  zero bytes       " << HexBytes(image_.subspan(img::kTailOffset, img::kTailZeroSize)) << "\n";
    const uint16_t serial = Le16(img::kTailSerialOffset);
    out << Format("  serialOffset     0x%04X", serial);
    if (serial >= 2 && Has(serial - 2u, 2) && image_[serial - 1u] == kTypeString &&
        image_[serial - 2u] >= 2 && Has(serial - 2u, image_[serial - 2u])) {
        std::vector<uint16_t> units;
        for (size_t i = 2; i < image_[serial - 2u]; i += 2) units.push_back(Le16(serial - 2u + i));
        out << "  -> " << Quoted(units) << "\n";
    } else {
        out << "  (no string descriptor there)\n";
    }
    out << Format("  productId        0x%04X\n", Le16(img::kTailProductId));
    out << Format("  vendorId         0x%04X\n", Le16(img::kTailVendorId));
    out << Format("  end              0x%04X\n", Le16(img::kTailVendorId + 2));
}

void ImageInspector::Write(std::ostream& out) const {
    const auto firmwareId = FirmwareId();
    const auto chipClass = ChipClass();
    out << "tag scan: firmware ID " << (firmwareId ? Format("%04X", *firmwareId) : std::string("missing"))
        << ", chip class " << (chipClass ? Format("%02X", *chipClass) : std::string("missing"))
        << ", high-speed descriptors " << (HasHsDescriptors() ? "present" : "missing") << " -> "
        << (chipClass == img::kAcceptedChipClass && HasHsDescriptors() ? "passes" : "REJECTED") << "\n";
    WriteHeader(out);

    out << "records\n";
    const auto records = Records();
    for (size_t i = 0; i < records.size(); ++i) {
        size_t end = i + 1 < records.size() ? records[i + 1].offset : img::kTailOffset;
        if (end < records[i].offset + img::kTagSize)
            end = records[i].offset + img::kTagSize;  // overlapping tags
        WriteRecord(out, records[i], std::min(end, image_.size()));
    }
    WriteStrings(out);
    WriteTail(out);
}

}  // namespace zt::station

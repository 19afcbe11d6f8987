#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <vector>

namespace zt::station {

// Reads an EEPROM image the way a person checking it on the line would: the
// header and boot vectors, each tagged record's fields by name, the USB
// descriptor sets, the strings and the tail block. Every read is bounds-checked,
// so any 16400 bytes can be inspected, not only the embedded images.
class ImageInspector {
public:
    explicit ImageInspector(std::span<const uint8_t> image) : image_(image) {}

    // What the tag scan would take from the image: the first occurrence of each record.
    std::optional<uint16_t> FirmwareId() const;
    std::optional<uint8_t> ChipClass() const;
    bool HasHsDescriptors() const;
    // Release number of the firmware record, and string descriptor 2 (the product).
    std::optional<uint16_t> ReleaseNumber() const;
    std::string ProductString() const;

    // The IDs an image gives its device: the tail block's pair, the standard
    // device descriptor at the start of a descriptor record, and the firmware
    // record's copies of them.
    struct DeviceIds {
        uint16_t vendorId = 0, productId = 0, bcdDevice = 0;
    };
    struct FirmwareIds {
        uint16_t vendorId = 0, hsProductId = 0, fsProductId = 0, releaseNumber = 0, deviceRelease = 0;
    };
    DeviceIds TailIds() const;
    // Nothing when the record is missing or does not start with a device descriptor.
    std::optional<DeviceIds> DescriptorIds(std::string_view tag) const;
    std::optional<FirmwareIds> FirmwareRecordIds() const;

    void Write(std::ostream& out) const;

private:
    struct Record {
        size_t offset;
        std::string tag;
    };

    std::vector<Record> Records() const;
    std::optional<size_t> FirstRecord(std::string_view tag) const;
    std::vector<std::pair<size_t, std::vector<uint16_t>>> Strings() const;  // char offset, UTF-16 units
    bool Has(size_t pos, size_t count) const { return pos <= image_.size() && image_.size() - pos >= count; }
    uint16_t Le16(size_t pos) const;

    void WriteHeader(std::ostream& out) const;
    void WriteRecord(std::ostream& out, const Record& record, size_t end) const;
    void WriteDescriptors(std::ostream& out, size_t pos, size_t end) const;
    size_t WriteDescriptor(std::ostream& out, size_t pos, size_t end, uint8_t& interfaceSubClass) const;
    void WriteStrings(std::ostream& out) const;
    void WriteTail(std::ostream& out) const;

    std::span<const uint8_t> image_;
};

}  // namespace zt::station

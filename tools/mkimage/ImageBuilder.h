#pragma once
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "JsonValues.h"
#include "chip/EepromImage.h"
#include "chip/ImageLayout.h"

namespace mkimage {

// Lays out one EEPROM image from its description (with every "$name" already
// substituted): header, boot program, tagged records, tail block. Every byte
// has at most one owner; overlaps, records that do not fit and record tags
// that turn up anywhere but at a record's start are errors, so a mistake in
// the description never reaches a device.
class ImageBuilder {
public:
    explicit ImageBuilder(Json description) : doc_(std::move(description)) {}

    // Throws DescriptionError.
    zt::EepromImage Build();

private:
    void Place(size_t offset, const std::string& bytes, const std::string& what);
    void PlaceHeader();
    void PlaceProgram();
    void PlaceRecords();
    void PlaceTail();
    void CheckTags() const;

    std::string Payload(const Json& record, const std::string& where);
    std::string Fields(const Json& fields, std::span<const zt::image::RecordField> layout, size_t recordSize,
                       const std::string& where) const;
    std::string Strings(const Json& strings, const std::string& where);
    uint32_t SizeOfRecord(const std::string& tag);
    uint32_t TailValue(const Json& value, const std::string& where) const;

    Json doc_;
    zt::EepromImage image_{};
    std::vector<std::string> owner_ = std::vector<std::string>(zt::kImageSize);
    std::map<size_t, std::string> recordStarts_;
    // Offsets (from the payload's start) of each string descriptor's first character.
    std::vector<size_t> stringCharOffsets_;
    size_t stringsPayloadOffset_ = 0;
    bool haveStrings_ = false;
};

}  // namespace mkimage

#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "JsonValues.h"

namespace mkimage {

// Encodes a list of USB descriptors written field by field. A field's size
// follows the USB naming habit: b, bm, i one byte; w, bcd, id two bytes; t
// three bytes; ba, bma an array of bytes; any field given as an array repeats
// its size. bLength is computed. "auto" in wTotalLength is the length of the
// set the descriptor heads (a configuration up to the next device or
// configuration descriptor; an audio class header over the class-specific
// interface descriptors that follow it). "sizeof:TAG" is the payload size of
// another record, as the lookup gives it.
class DescriptorEncoder {
public:
    using SizeLookup = std::function<uint32_t(const std::string& tag)>;

    explicit DescriptorEncoder(SizeLookup sizeOf) : sizeOf_(std::move(sizeOf)) {}

    std::string Encode(const Json& descriptors, const std::string& where) const;

private:
    std::string EncodeOne(const Json& descriptor, const std::string& where, size_t& autoLengthAt) const;

    SizeLookup sizeOf_;
};

}  // namespace mkimage

#pragma once
#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace mkimage {

using Json = nlohmann::ordered_json;

// A mistake in an image description; the message says where.
struct DescriptionError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Replaces every string "$name" in doc by values[name]. A name that values
// does not hold is an error.
Json Substitute(const Json& doc, const Json& values);

// A number written as a JSON integer, "0x..." or decimal text. Fails when it
// does not fit in `max`.
uint32_t ToNumber(const Json& value, const std::string& where, uint32_t max);

// A list of byte values: a JSON array of numbers, or hexadecimal text ("06 00 FF").
std::string ToBytes(const Json& value, const std::string& where);

}  // namespace mkimage

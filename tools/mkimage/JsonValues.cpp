#include "JsonValues.h"

#include <cctype>
#include <sstream>

namespace mkimage {

Json Substitute(const Json& doc, const Json& values) {
    if (doc.is_string()) {
        const std::string text = doc.get<std::string>();
        if (text.empty() || text[0] != '$') return doc;
        const std::string name = text.substr(1);
        if (!values.is_object() || !values.contains(name))
            throw DescriptionError("no value for \"" + text + "\" in the image's \"values\"");
        return values[name];
    }
    if (doc.is_array()) {
        Json out = Json::array();
        for (const auto& item : doc) out.push_back(Substitute(item, values));
        return out;
    }
    if (doc.is_object()) {
        Json out = Json::object();
        for (const auto& [key, item] : doc.items()) out[key] = Substitute(item, values);
        return out;
    }
    return doc;
}

uint32_t ToNumber(const Json& value, const std::string& where, uint32_t max) {
    uint64_t n = 0;
    if (value.is_number_unsigned()) {
        n = value.get<uint64_t>();
    } else if (value.is_string()) {
        const std::string text = value.get<std::string>();
        const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
        const size_t start = hex ? 2 : 0;
        if (text.size() == start || text.size() - start > 10)
            throw DescriptionError(where + ": \"" + text + "\" is not a number");
        for (size_t i = start; i < text.size(); ++i) {
            const char c = text[i];
            if (!(hex ? std::isxdigit(static_cast<unsigned char>(c))
                      : std::isdigit(static_cast<unsigned char>(c))))
                throw DescriptionError(where + ": \"" + text + "\" is not a number");
        }
        n = std::stoull(text.substr(start), nullptr, hex ? 16 : 10);
    } else {
        throw DescriptionError(where + ": expected a number, found " + value.dump());
    }
    if (n > max) throw DescriptionError(where + ": " + value.dump() + " does not fit");
    return static_cast<uint32_t>(n);
}

std::string ToBytes(const Json& value, const std::string& where) {
    std::string out;
    if (value.is_array()) {
        for (const auto& item : value) out.push_back(static_cast<char>(ToNumber(item, where, 0xFF)));
        return out;
    }
    if (!value.is_string()) throw DescriptionError(where + ": expected bytes, found " + value.dump());
    std::istringstream in(value.get<std::string>());
    std::string word;
    while (in >> word) {
        if (word.size() != 2) throw DescriptionError(where + ": \"" + word + "\" is not a hexadecimal byte");
        out.push_back(static_cast<char>(ToNumber(Json("0x" + word), where, 0xFF)));
    }
    return out;
}

}  // namespace mkimage

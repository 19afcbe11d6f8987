#include "ImageBuilder.h"

#include <cstdio>

#include "Assembler8051.h"
#include "DescriptorEncoder.h"

namespace mkimage {

namespace img = zt::image;

namespace {

std::string Hex(size_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%04zX", value);
    return text;
}

const Json& Require(const Json& object, const char* key, const std::string& where) {
    if (!object.is_object() || !object.contains(key))
        throw DescriptionError(where + ": missing \"" + key + "\"");
    return object[key];
}

}  // namespace

void ImageBuilder::Place(size_t offset, const std::string& bytes, const std::string& what) {
    if (offset > zt::kImageSize || bytes.size() > zt::kImageSize - offset)
        throw DescriptionError(what + " at " + Hex(offset) + " (" + std::to_string(bytes.size()) +
                               " bytes) does not fit in the image");
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (!owner_[offset + i].empty())
            throw DescriptionError(what + " overlaps " + owner_[offset + i] + " at " + Hex(offset + i));
        owner_[offset + i] = what;
        image_[offset + i] = static_cast<uint8_t>(bytes[i]);
    }
}

void ImageBuilder::PlaceHeader() {
    const Json& header = Require(doc_, "header", "image");
    const Json& magic = Require(header, "magic", "header");
    if (!magic.is_string() || magic.get<std::string>().size() != 3)
        throw DescriptionError("header.magic: three characters expected");
    std::string bytes = magic.get<std::string>();
    bytes.push_back('\0');
    Place(img::kMagicOffset, bytes, "magic");
    Place(img::kHeaderByteOffset,
          std::string(1, static_cast<char>(
                             ToNumber(Require(header, "headerByte", "header"), "header.headerByte", 0xFF))),
          "header byte");
}

void ImageBuilder::PlaceProgram() {
    std::vector<Assembler8051::Block> blocks;
    for (const Json& block : Require(doc_, "program", "image")) {
        Assembler8051::Block b;
        b.address = static_cast<uint16_t>(ToNumber(Require(block, "at", "program"), "program.at", 0xFFFF));
        for (const Json& line : Require(block, "asm", "program block " + Hex(b.address)))
            b.lines.push_back(line.get<std::string>());
        blocks.push_back(std::move(b));
    }
    Assembler8051 assembler;
    for (const auto& out : assembler.Assemble(blocks)) {
        Place(img::kProgramBase + out.address, std::string(out.bytes.begin(), out.bytes.end()),
              "code at program address " + Hex(out.address));
    }
    if (image_[img::kResetVectorOffset] != img::kOpLjmp)
        throw DescriptionError("program address 0 must hold a long jump (the reset vector)");
}

std::string ImageBuilder::Fields(const Json& fields, std::span<const img::RecordField> layout,
                                 size_t recordSize, const std::string& where) const {
    std::string out(recordSize - img::kTagSize, '\0');
    size_t used = 0;
    for (const auto& field : layout) {
        const std::string at = where + "." + std::string(field.name);
        const Json& value = Require(fields, std::string(field.name).c_str(), where);
        std::string bytes;
        if (field.size <= 2) {
            const uint32_t n = ToNumber(value, at, field.size == 1 ? 0xFF : 0xFFFF);
            for (size_t i = 0; i < field.size; ++i) bytes.push_back(static_cast<char>(n >> (8 * i)));
        } else {
            bytes = ToBytes(value, at);
            if (bytes.size() != field.size)
                throw DescriptionError(at + ": " + std::to_string(field.size) + " bytes expected");
        }
        out.replace(field.offset - img::kTagSize, field.size, bytes);
        ++used;
    }
    size_t given = 0;
    for (const auto& [key, value] : fields.items()) given += key != "note";
    if (given != used) throw DescriptionError(where + ": fields other than the record's own");
    return out;
}

std::string ImageBuilder::Strings(const Json& strings, const std::string& where) {
    if (!strings.is_array() || strings.empty())
        throw DescriptionError(where + ": expected a list of strings");
    std::string out;
    stringCharOffsets_.clear();
    for (size_t i = 0; i < strings.size(); ++i) {
        const Json& s = strings[i];
        const std::string at = where + "[" + std::to_string(i) + "]";
        std::vector<uint16_t> units;
        if (s.is_object()) {
            for (const Json& id : Require(s, "langIds", at))
                units.push_back(static_cast<uint16_t>(ToNumber(id, at, 0xFFFF)));
        } else if (s.is_string()) {
            for (unsigned char c : s.get<std::string>()) {
                if (c < 0x20 || c > 0x7E) throw DescriptionError(at + ": only printable ASCII is supported");
                units.push_back(c);
            }
        } else {
            throw DescriptionError(at + ": expected text or {\"langIds\": [...]}");
        }
        const size_t length = 2 + 2 * units.size();
        if (length > 0xFF) throw DescriptionError(at + ": string too long for a descriptor");
        out.push_back(static_cast<char>(length));
        out.push_back(0x03);
        stringCharOffsets_.push_back(out.size());
        for (uint16_t u : units) {
            out.push_back(static_cast<char>(u));
            out.push_back(static_cast<char>(u >> 8));
        }
    }
    return out;
}

uint32_t ImageBuilder::SizeOfRecord(const std::string& tag) {
    for (const Json& record : doc_["records"]) {
        if (record.value("tag", "") != tag) continue;
        if (record.contains("descriptors"))
            throw DescriptionError("sizeof:" + tag + ": not for a descriptor record");
        return static_cast<uint32_t>(Payload(record, tag).size());
    }
    throw DescriptionError("sizeof:" + tag + ": no such record");
}

std::string ImageBuilder::Payload(const Json& record, const std::string& where) {
    const std::string tag = record.value("tag", "");
    if (record.contains("fields")) {
        if (tag == img::kFirmwareTag)
            return Fields(record["fields"], img::kFirmwareRecordFields, img::kFirmwareRecordSize, where);
        if (tag == img::kChipClassTag)
            return Fields(record["fields"], img::kChipClassRecordFields, img::kChipClassRecordSize, where);
        throw DescriptionError(where + ": \"fields\" only for the firmware and chip-class records");
    }
    if (record.contains("bytes")) return ToBytes(record["bytes"], where + ".bytes");
    if (record.contains("strings")) return Strings(record["strings"], where + ".strings");
    if (record.contains("descriptors")) {
        DescriptorEncoder encoder([this](const std::string& other) { return SizeOfRecord(other); });
        return encoder.Encode(record["descriptors"], where + ".descriptors");
    }
    throw DescriptionError(where + ": a record needs \"fields\", \"bytes\", \"strings\" or \"descriptors\"");
}

void ImageBuilder::PlaceRecords() {
    size_t next = 0;
    for (const Json& record : Require(doc_, "records", "image")) {
        const std::string tag = Require(record, "tag", "record after " + Hex(next)).get<std::string>();
        const std::string tagBytes(tag.begin(), tag.end());
        if (tag.size() != img::kTagSize ||
            !img::IsRecordTagAt({reinterpret_cast<const uint8_t*>(tagBytes.data()), tagBytes.size()}, 0))
            throw DescriptionError("\"" + tag + "\" is not a record tag (\"ZT\", three letters, \"Tag\")");
        for (const auto& [at, other] : recordStarts_)
            if (other == tag) throw DescriptionError(tag + " appears twice; only the first would count");

        const size_t offset =
            record.contains("at") ? ToNumber(record["at"], tag + ".at", zt::kImageSize) : next;
        const std::string payload = Payload(record, tag);
        Place(offset, tag + payload, tag);
        recordStarts_[offset] = tag;
        if (record.contains("strings")) {
            if (haveStrings_) throw DescriptionError(tag + ": only one record may hold the strings");
            haveStrings_ = true;
            stringsPayloadOffset_ = offset + img::kTagSize;
        }
        next = offset + img::kTagSize + payload.size();
    }
}

uint32_t ImageBuilder::TailValue(const Json& value, const std::string& where) const {
    if (value.is_string() && value.get<std::string>().rfind("string:", 0) == 0) {
        const uint32_t index = ToNumber(Json(value.get<std::string>().substr(7)), where, 0xFF);
        if (!haveStrings_ || index >= stringCharOffsets_.size())
            throw DescriptionError(where + ": no string descriptor " + std::to_string(index));
        return static_cast<uint32_t>(stringsPayloadOffset_ + stringCharOffsets_[index]);
    }
    return ToNumber(value, where, 0xFFFF);
}

void ImageBuilder::PlaceTail() {
    const Json& tail = Require(doc_, "tail", "image");
    auto le16 = [](uint32_t v) { return std::string{static_cast<char>(v), static_cast<char>(v >> 8)}; };
    std::string bytes(img::kTailZeroSize, '\0');
    bytes += le16(TailValue(Require(tail, "serialOffset", "tail"), "tail.serialOffset"));
    bytes += le16(TailValue(Require(tail, "productId", "tail"), "tail.productId"));
    bytes += le16(TailValue(Require(tail, "vendorId", "tail"), "tail.vendorId"));
    bytes += le16(0);
    Place(img::kTailOffset, bytes, "tail block");
}

void ImageBuilder::CheckTags() const {
    for (size_t p = 0; p < image_.size(); ++p) {
        if (!img::IsRecordTagAt(image_, p)) continue;
        if (!recordStarts_.count(p))
            throw DescriptionError("bytes at " + Hex(p) + " (" + owner_[p] +
                                   ") read as a record tag; the tag scan would take them for one");
    }
}

zt::EepromImage ImageBuilder::Build() {
    PlaceHeader();
    PlaceProgram();
    PlaceRecords();
    PlaceTail();
    CheckTags();
    return image_;
}

}  // namespace mkimage

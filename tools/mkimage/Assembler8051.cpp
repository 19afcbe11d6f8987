#include "Assembler8051.h"

#include <algorithm>
#include <cctype>

#include "JsonValues.h"

namespace mkimage {

namespace {

enum class Kind { Acc, Immediate, Direct, Bit, Address, Relative };

struct Form {
    const char* mnemonic;
    std::vector<Kind> operands;
    uint8_t opcode;
};

// Operands are emitted in the order written, except that jumps take their
// 16-bit target big-endian and SJMP its displacement from the next instruction.
const std::vector<Form> kForms = {
    {"NOP", {}, 0x00},
    {"RET", {}, 0x22},
    {"RETI", {}, 0x32},
    {"LJMP", {Kind::Address}, 0x02},
    {"LCALL", {Kind::Address}, 0x12},
    {"SJMP", {Kind::Relative}, 0x80},
    {"MOV", {Kind::Acc, Kind::Immediate}, 0x74},
    {"MOV", {Kind::Direct, Kind::Immediate}, 0x75},
    {"ORL", {Kind::Direct, Kind::Immediate}, 0x43},
    {"ANL", {Kind::Direct, Kind::Immediate}, 0x53},
    {"PUSH", {Kind::Direct}, 0xC0},
    {"POP", {Kind::Direct}, 0xD0},
    {"SETB", {Kind::Bit}, 0xD2},
    {"CLR", {Kind::Bit}, 0xC2},
    {"CPL", {Kind::Bit}, 0xB2},
};

const std::map<std::string, uint8_t> kDirectNames = {
    {"SP", 0x81},   {"DPL", 0x82}, {"DPH", 0x83}, {"PCON", 0x87}, {"TCON", 0x88},
    {"TMOD", 0x89}, {"TL0", 0x8A}, {"TL1", 0x8B}, {"TH0", 0x8C},  {"TH1", 0x8D},
    {"P1", 0x90},   {"IE", 0xA8},  {"PSW", 0xD0}, {"ACC", 0xE0},  {"B", 0xF0},
};

const std::map<std::string, uint8_t> kBitNames = {
    {"IT0", 0x88}, {"IE0", 0x89}, {"TR0", 0x8C}, {"TR1", 0x8E}, {"P1.0", 0x90}, {"EX0", 0xA8},
    {"ET0", 0xA9}, {"EX1", 0xAA}, {"ET1", 0xAB}, {"ES", 0xAC},  {"EA", 0xAF},
};

std::string Trim(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string::npos) return "";
    return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

bool IsNumber(const std::string& s) { return !s.empty() && std::isdigit(static_cast<unsigned char>(s[0])); }

}  // namespace

std::vector<uint8_t> Assembler8051::Encode(const std::string& line, uint16_t address, bool final) const {
    const std::string text = Trim(line);
    const auto space = text.find_first_of(" \t");
    std::string mnemonic = text.substr(0, space);
    std::transform(mnemonic.begin(), mnemonic.end(), mnemonic.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    std::vector<std::string> operands;
    if (space != std::string::npos) {
        std::string rest = text.substr(space);
        size_t start = 0;
        for (size_t comma; (comma = rest.find(',', start)) != std::string::npos; start = comma + 1)
            operands.push_back(Trim(rest.substr(start, comma - start)));
        operands.push_back(Trim(rest.substr(start)));
    }
    const std::string where = "\"" + line + "\"";

    for (const Form& form : kForms) {
        if (mnemonic != form.mnemonic || operands.size() != form.operands.size()) continue;
        std::vector<uint8_t> out{form.opcode};
        bool matches = true;
        for (size_t i = 0; i < operands.size() && matches; ++i) {
            const std::string& op = operands[i];
            switch (form.operands[i]) {
                case Kind::Acc:
                    matches = op == "A";
                    break;
                case Kind::Immediate:
                    matches = op.size() > 1 && op[0] == '#';
                    if (matches)
                        out.push_back(static_cast<uint8_t>(ToNumber(Json(op.substr(1)), where, 0xFF)));
                    break;
                case Kind::Direct:
                    if (kDirectNames.count(op))
                        out.push_back(kDirectNames.at(op));
                    else if (IsNumber(op))
                        out.push_back(static_cast<uint8_t>(ToNumber(Json(op), where, 0xFF)));
                    else
                        matches = false;
                    break;
                case Kind::Bit:
                    if (kBitNames.count(op))
                        out.push_back(kBitNames.at(op));
                    else if (IsNumber(op))
                        out.push_back(static_cast<uint8_t>(ToNumber(Json(op), where, 0xFF)));
                    else
                        matches = false;
                    break;
                case Kind::Address:
                case Kind::Relative: {
                    uint32_t target = 0;
                    if (IsNumber(op)) {
                        target = ToNumber(Json(op), where, 0xFFFF);
                    } else if (labels_.count(op)) {
                        target = labels_.at(op);
                    } else if (final) {
                        throw DescriptionError(where + ": no label \"" + op + "\"");
                    }
                    if (form.operands[i] == Kind::Address) {
                        out.push_back(static_cast<uint8_t>(target >> 8));
                        out.push_back(static_cast<uint8_t>(target));
                    } else {
                        const int displacement = static_cast<int>(target) - (address + 2);
                        if (final && (displacement < -128 || displacement > 127))
                            throw DescriptionError(where + ": target out of reach of a short jump");
                        out.push_back(static_cast<uint8_t>(displacement));
                    }
                    break;
                }
            }
        }
        if (matches) return out;
    }
    throw DescriptionError(where + ": not an instruction this assembler knows");
}

std::vector<Assembler8051::Output> Assembler8051::Assemble(const std::vector<Block>& blocks) {
    labels_.clear();
    // Pass 1: every instruction's size is known without its operands' values.
    for (const Block& block : blocks) {
        uint32_t address = block.address;
        for (const std::string& line : block.lines) {
            const std::string text = Trim(line);
            if (!text.empty() && text.back() == ':') {
                const std::string label = text.substr(0, text.size() - 1);
                if (!labels_.emplace(label, static_cast<uint16_t>(address)).second)
                    throw DescriptionError("label \"" + label + "\" defined twice");
                continue;
            }
            address += static_cast<uint32_t>(Encode(line, static_cast<uint16_t>(address), false).size());
        }
    }
    // Pass 2: emit with the labels known.
    std::vector<Output> out;
    for (const Block& block : blocks) {
        Output o{block.address, {}};
        for (const std::string& line : block.lines) {
            const std::string text = Trim(line);
            if (!text.empty() && text.back() == ':') continue;
            const auto bytes = Encode(line, static_cast<uint16_t>(block.address + o.bytes.size()), true);
            o.bytes.insert(o.bytes.end(), bytes.begin(), bytes.end());
        }
        out.push_back(std::move(o));
    }
    return out;
}

}  // namespace mkimage

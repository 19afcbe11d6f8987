#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace mkimage {

// A tiny two-pass assembler for the handful of 8051 instructions the boot
// program needs. Labels are shared by all blocks, so a vector can jump to a
// handler placed in a later block.
class Assembler8051 {
public:
    struct Block {
        uint16_t address;                // program address of the first byte
        std::vector<std::string> lines;  // "label:" or one instruction
    };
    struct Output {
        uint16_t address;
        std::vector<uint8_t> bytes;
    };

    // Throws DescriptionError naming the line for an unknown instruction,
    // symbol or label, or a short jump out of reach.
    std::vector<Output> Assemble(const std::vector<Block>& blocks);

private:
    std::vector<uint8_t> Encode(const std::string& line, uint16_t address, bool final) const;

    std::map<std::string, uint16_t> labels_;
};

}  // namespace mkimage

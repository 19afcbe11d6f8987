#include "platform/linux/ReportDescriptor.h"

#include <algorithm>
#include <array>

namespace zt::platform_linux {

namespace {

// Item types and tags of short items (prefix byte: tag 4 bits, type 2 bits, size 2 bits).
constexpr uint8_t kTypeMain = 0;
constexpr uint8_t kTypeGlobal = 1;
constexpr uint8_t kMainInput = 0x8;
constexpr uint8_t kMainOutput = 0x9;
constexpr uint8_t kGlobalReportSize = 0x7;
constexpr uint8_t kGlobalReportId = 0x8;
constexpr uint8_t kGlobalReportCount = 0x9;
constexpr uint8_t kGlobalPush = 0xA;
constexpr uint8_t kGlobalPop = 0xB;
constexpr uint8_t kLongItemPrefix = 0xFE;

// Deeper nesting than this is not seen in real devices; further pushes are
// ignored rather than grown without bound on hostile input.
constexpr size_t kMaxPushDepth = 16;
// Any report longer than this is already beyond what a 16-bit length holds.
constexpr uint64_t kBitCap = uint64_t{0xFFFF} * 8 * 2;

struct GlobalState {
    uint32_t reportSize = 0;
    uint32_t reportCount = 0;
    uint8_t reportId = 0;
};

uint16_t LengthWithIdByte(const std::array<uint64_t, 256>& bitsPerId) {
    const uint64_t bits = *std::max_element(bitsPerId.begin(), bitsPerId.end());
    if (bits == 0) return 0;
    const uint64_t bytes = (bits + 7) / 8 + 1;
    return static_cast<uint16_t>(std::min<uint64_t>(bytes, 0xFFFF));
}

}  // namespace

ReportLengths ParseReportDescriptor(const uint8_t* data, size_t length) {
    std::array<uint64_t, 256> inputBits{};
    std::array<uint64_t, 256> outputBits{};
    std::array<GlobalState, kMaxPushDepth> stack{};
    size_t depth = 0;
    GlobalState state;
    ReportLengths result;

    size_t pos = 0;
    while (data != nullptr && pos < length) {
        const uint8_t prefix = data[pos];
        if (prefix == kLongItemPrefix) {
            // Long item: prefix, data size, tag, then the data. Nothing we count.
            if (length - pos < 3) break;
            pos += 3 + size_t{data[pos + 1]};
            continue;
        }
        static constexpr size_t kSizes[4] = {0, 1, 2, 4};
        const size_t size = kSizes[prefix & 0x3];
        if (length - pos - 1 < size) break;
        uint32_t value = 0;
        for (size_t i = 0; i < size; ++i) value |= uint32_t{data[pos + 1 + i]} << (8 * i);
        const uint8_t type = (prefix >> 2) & 0x3;
        const uint8_t tag = prefix >> 4;
        pos += 1 + size;

        if (type == kTypeMain && (tag == kMainInput || tag == kMainOutput)) {
            auto& bits = tag == kMainInput ? inputBits : outputBits;
            const uint64_t add = uint64_t{state.reportSize} * state.reportCount;
            bits[state.reportId] = std::min(bits[state.reportId] + std::min(add, kBitCap), kBitCap);
        } else if (type == kTypeGlobal) {
            switch (tag) {
                case kGlobalReportSize:
                    state.reportSize = value;
                    break;
                case kGlobalReportCount:
                    state.reportCount = value;
                    break;
                case kGlobalReportId:
                    state.reportId = static_cast<uint8_t>(value);
                    result.usesReportIds = true;
                    break;
                case kGlobalPush:
                    if (depth < kMaxPushDepth) stack[depth++] = state;
                    break;
                case kGlobalPop:
                    if (depth > 0) state = stack[--depth];
                    break;
                default:
                    break;
            }
        }
    }

    result.inputLength = LengthWithIdByte(inputBits);
    result.outputLength = LengthWithIdByte(outputBits);
    return result;
}

}  // namespace zt::platform_linux

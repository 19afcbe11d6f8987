// Report lengths from report descriptors, as the core counts them: the
// largest report of each kind in bytes, plus one byte for the report ID.
#include <gtest/gtest.h>

#include <vector>

#include "platform/linux/ReportDescriptor.h"

namespace zt::platform_linux {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}
// Report size 8, report count n, then an Input (0x81) or Output (0x91) main item.
Bytes Field(uint8_t main, uint8_t count) { return {0x75, 0x08, 0x95, count, main, 0x02}; }
Bytes Id(uint8_t id) { return {0x85, id}; }
const Bytes kOpen = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
const Bytes kClose = {0xC0};

struct Case {
    const char* name;
    Bytes descriptor;
    uint16_t in, out;
    bool ids;
};

class ReportDescriptorTest : public ::testing::TestWithParam<Case> {};

TEST_P(ReportDescriptorTest, GivesLargestReportOfEachKindPlusIdByte) {
    const Case& c = GetParam();
    const ReportLengths r = ParseReportDescriptor(c.descriptor.data(), c.descriptor.size());
    EXPECT_EQ(r.inputLength, c.in);
    EXPECT_EQ(r.outputLength, c.out);
    EXPECT_EQ(r.usesReportIds, c.ids);
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, ReportDescriptorTest,
    ::testing::Values(
        Case{"Empty", {}, 0, 0, false},
        Case{"OurChipWithoutIds", Cat({kOpen, Field(0x81, 63), Field(0x91, 63), kClose}), 64, 64, false},
        Case{"OneNumberedReport", Cat({kOpen, Id(5), Field(0x81, 15), Field(0x91, 15), kClose}), 16, 16,
             true},
        // Each ID is its own report: the largest counts, not the sum.
        Case{"SeveralReports",
             Cat({kOpen, Id(1), Field(0x81, 8), Id(2), Field(0x81, 32), Field(0x81, 4), Id(3), Field(0x91, 4),
                  kClose}),
             37, 5, true},
        // Fields of one report add up bit by bit and round up to whole bytes.
        Case{"BitFieldsRoundUp",
             {0x75, 0x01, 0x95, 0x03, 0x81, 0x02, 0x75, 0x02, 0x95, 0x01, 0x81, 0x03},
             2,
             0,
             false},
        // Feature reports are not exchanged by the tool.
        Case{"FeatureIgnored", Cat({kOpen, Field(0xB1, 200), Field(0x81, 8), kClose}), 9, 0, false},
        // A long item (0xFE, size, tag, data) is skipped whole, whatever its data looks like.
        Case{"LongItemSkipped", Cat({kOpen, {0xFE, 0x03, 0x10, 0x95, 0xFF, 0x81}, Field(0x81, 10), kClose}),
             11, 0, false},
        // Push keeps size and count; what comes after the Pop uses them again.
        Case{"PushPop",
             {0x75, 0x08, 0x95, 0x04, 0xA4, 0x95, 0x40, 0x91, 0x02, 0xB4, 0x81, 0x02},
             5,
             65,
             false},
        // A 4-byte report count and an item cut off by the end of the buffer.
        Case{"WideCountAndTruncatedTail",
             {0x75, 0x08, 0x97, 0x10, 0x00, 0x00, 0x00, 0x81, 0x02, 0x97, 0x01},
             17,
             0,
             false},
        Case{"HugeReportSaturates",
             {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02},
             0xFFFF,
             0,
             false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportDescriptorBounds, NullAndTruncatedLongItemsReadNothingOutside) {
    EXPECT_EQ(ParseReportDescriptor(nullptr, 10).inputLength, 0);
    // The long item claims 200 data bytes that are not there.
    const Bytes cut = {0x75, 0x08, 0x95, 0x02, 0x81, 0x02, 0xFE, 0xC8, 0x10, 0x00};
    EXPECT_EQ(ParseReportDescriptor(cut.data(), cut.size()).inputLength, 3);
    const Bytes stub = {0xFE, 0x01};
    EXPECT_EQ(ParseReportDescriptor(stub.data(), stub.size()).inputLength, 0);
}

}  // namespace
}  // namespace zt::platform_linux

#include <gtest/gtest.h>

#include "chip/HexId.h"
#include "station/config/SimFaultNames.h"

namespace zt {
namespace {

TEST(HexId, BoxTextConvertsLikeA32BitStrtoul) {
    const struct {
        const char* text;
        uint16_t id;
    } cases[] = {
        {"3C4D", 0x3C4D},
        {" 0x7351", 0x7351},
        {"12345", 0x2345},
        {"7351zz", 0x7351},
        {"", 0},
        {"0x", 0},
        {"-1", 0xFFFF},
        {"+10", 0x10},
        // Past 32 bits the conversion saturates instead of keeping low digits:
        // "1234567351" must not become 7351.
        {"1234567351", 0xFFFF},
        {"FFFFFFFF", 0xFFFF},
        {"100000000", 0xFFFF},
        {"0000000000003C4D", 0x3C4D},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseHexId(c.text), c.id) << '"' << c.text << '"';
}

TEST(HexId, CommandLineNumbersAreDecimalOrHexNeverOctal) {
    EXPECT_EQ(ParseNumberArgument("0100"), 100u);
    EXPECT_EQ(ParseNumberArgument("08"), 8u);
    EXPECT_EQ(ParseNumberArgument("0x100"), 0x100u);
    for (const char* bad : {"", "0x", "-1", " 1", "1e3", "0x1g", "18446744073709551616"})
        EXPECT_FALSE(ParseNumberArgument(bad)) << bad;
    // A fault value goes through the same reading.
    sim::SimFaults faults;
    std::string error;
    ASSERT_TRUE(sim::ApplyFaultByName(faults, "stuck=0100:08", &error)) << error;
    EXPECT_EQ(faults.stuckBytes.at(100), 8);
}

}  // namespace
}  // namespace zt

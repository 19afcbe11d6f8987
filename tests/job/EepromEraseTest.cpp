#include <gtest/gtest.h>

#include "job/WriteJobFixture.h"

namespace zt {
namespace {

struct EepromErase : test::WriteJobFixture {
    int chip = bus.AddFactoryChip(sim::ChipVariant::A);
};

TEST_F(EepromErase, KeepsTheConnectionAsItFoundIt) {
    StartDialog();
    bus.ClearLog();
    dlg->OnEraseEeprom();  // open: two commands 2 ms apart, still open
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].IsErase() && requests[1].IsErase());
    EXPECT_EQ(requests[1].timeUs - requests[0].timeUs, 2000u);
    EXPECT_TRUE(dlg->Job().Device().IsOpen());

    dlg->Job().Device().CloseDevice();
    dlg->OnEraseEeprom();  // closed: opened for the erase and closed again
    EXPECT_EQ(CountRequests([](const test::Request& r) { return r.IsErase(); }), 4u);
    EXPECT_FALSE(dlg->Job().Device().IsOpen());

    bus.Unplug(chip);
    bus.ClearLog();
    dlg->OnEraseEeprom();  // nothing attached: nothing sent
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(window.Boxes().empty());
}

}  // namespace
}  // namespace zt

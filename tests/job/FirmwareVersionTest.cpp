#include <gtest/gtest.h>

#include "app/DialogTemplate.h"
#include "job/WriteJobFixture.h"

namespace zt {
namespace {

struct FirmwareVersion : test::WriteJobFixture {
    // Version bytes 0.9.12, device release 0x1A2B in the descriptor.
    int chip = [this] {
        const int c = bus.AddFactoryChip(sim::ChipVariant::A);
        bus.SetEeprom(c, kFirmwareVersionAddress, {0, 9, 12});
        const auto eeprom = bus.Eeprom(c);
        const char tag[] = "ZTHsDTag";
        const auto at = std::search(eeprom.begin(), eeprom.end(), tag, tag + 8) - eeprom.begin();
        bus.SetEeprom(c, static_cast<uint16_t>(at + 8 + 12), {0x2B, 0x1A});  // bcdDevice
        bus.Replug(c);
        return c;
    }();

    std::pair<std::string, std::string> Query() {
        dlg->OnGetFirmwareVersion();
        return {window.GetControlText(kIdVersionBox), window.GetControlText(kIdVersionStatus)};
    }
};

TEST_F(FirmwareVersion, ShowsVersionBytesAndReleaseNumber) {
    StartDialog();
    bus.ClearLog();
    EXPECT_EQ(Query(), std::make_pair(std::string("0.9.12.1A2B"), std::string("SUCCESS")));
    EXPECT_EQ(CountRequests([](const test::Request& r) {
                  return r.IsEepromRead() && r.address() == kFirmwareVersionAddress && r.count() == 3;
              }),
              1u);
    EXPECT_EQ(dlg->hidInputReportLength.load(), 64);
}

TEST_F(FirmwareVersion, FailureLeavesTheVersionBoxAsItWas) {
    StartDialog();
    window.SetControlText(kIdProductId, "7352");  // no such device
    EXPECT_EQ(Query(), std::make_pair(std::string("0.1.0.1"), std::string("FAIL")));

    window.SetControlText(kIdProductId, "7351");
    bus.Faults(chip).noReply = true;
    const uint64_t before = clock.NowUs();
    EXPECT_EQ(Query(), std::make_pair(std::string("0.1.0.1"), std::string("FAIL")));
    EXPECT_NEAR((clock.NowUs() - before) / 1e6, 5.0, 0.05);  // one read time-out
}

TEST_F(FirmwareVersion, EraseKeepsTheConnectionAsItFoundIt) {
    StartDialog();
    bus.ClearLog();
    dlg->OnEraseEeprom();  // open: two commands 2 ms apart, still open
    auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].IsErase() && requests[1].IsErase());
    EXPECT_EQ(requests[1].timeUs - requests[0].timeUs, 2000u);
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 1u);

    dlg->CloseDevice();
    dlg->OnEraseEeprom();  // closed: opened for the erase and closed again
    EXPECT_EQ(CountRequests([](const test::Request& r) { return r.IsErase(); }), 4u);
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 0u);

    bus.Unplug(chip);
    bus.ClearLog();
    dlg->OnEraseEeprom();  // nothing attached: nothing sent
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(window.Boxes().empty());
}

}  // namespace
}  // namespace zt

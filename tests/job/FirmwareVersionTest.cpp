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
    EXPECT_EQ(dlg->Job().Device().InputReportLength(), 64);
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

}  // namespace
}  // namespace zt

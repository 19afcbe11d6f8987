#include <gtest/gtest.h>

#include "app/DialogTemplate.h"
#include "job/WriteJobFixture.h"

namespace zt {
namespace {

using sim::ChipVariant;

struct FirmwareVersion : test::WriteJobFixture {
    // A chip whose descriptor carries `bcdDevice` and whose version bytes are `version`.
    int AddChipWithVersion(std::vector<uint8_t> version, uint16_t bcdDevice) {
        const int chip = bus.AddFactoryChip(ChipVariant::A);
        bus.SetEeprom(chip, kFirmwareVersionAddress, version);
        const auto eeprom = bus.Eeprom(chip);
        const char tag[] = "ZTHsDTag";
        const auto at = std::search(eeprom.begin(), eeprom.end(), tag, tag + 8) - eeprom.begin();
        bus.SetEeprom(chip, static_cast<uint16_t>(at + 8 + 12),
                      {static_cast<uint8_t>(bcdDevice), static_cast<uint8_t>(bcdDevice >> 8)});
        bus.Replug(chip);
        bus.ClearLog();
        return chip;
    }
};

TEST_F(FirmwareVersion, ShowsVersionBytesAndReleaseNumber) {
    const int chip = AddChipWithVersion({0, 9, 12}, 0x1A2B);
    ASSERT_EQ(bus.BcdDevice(chip), 0x1A2B);
    StartDialog();

    dlg->OnGetFirmwareVersion();

    EXPECT_EQ(window.GetControlText(kIdVersionBox), "0.9.12.1A2B");
    EXPECT_EQ(window.GetControlText(kIdVersionStatus), "SUCCESS");
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 1u);  // the main connection stays open
    // One 3-byte read at the version address.
    EXPECT_EQ(CountRequests([](const test::Request& r) {
                  return r.IsEepromRead() && r.address() == kFirmwareVersionAddress && r.count() == 3;
              }),
              1u);
}

TEST_F(FirmwareVersion, FailsWhenNoDeviceHasTheTypedIds) {
    AddChipWithVersion({1, 2, 3}, 0x0105);
    StartDialog();
    window.SetControlText(kIdProductId, "7352");

    dlg->OnGetFirmwareVersion();

    EXPECT_EQ(window.GetControlText(kIdVersionStatus), "FAIL");
    EXPECT_EQ(window.GetControlText(kIdVersionBox), "0.1.0.1");
    EXPECT_EQ(dlg->usbDeviceFound, 0u);
}

TEST_F(FirmwareVersion, FailsAfterTheReadTimeOutWhenTheDeviceDoesNotAnswer) {
    const int chip = AddChipWithVersion({1, 2, 3}, 0x0105);
    StartDialog();
    bus.Faults(chip).noReply = true;
    const uint64_t before = clock.NowUs();

    dlg->OnGetFirmwareVersion();

    EXPECT_EQ(window.GetControlText(kIdVersionStatus), "FAIL");
    EXPECT_EQ(window.GetControlText(kIdVersionBox), "0.1.0.1");
    EXPECT_GE(clock.NowUs() - before, 5'000'000u);
    EXPECT_LT(clock.NowUs() - before, 5'100'000u);
}

TEST_F(FirmwareVersion, TemporaryConnectionLeavesTheMainOneAsItWas) {
    AddChipWithVersion({1, 2, 3}, 0x0105);
    StartDialog();
    ASSERT_EQ(dlg->hidInputReportLength.load(), 64);
    window.SetControlText(kIdProductId, "7351");

    // A product the walk finds but whose HID interface is someone else's.
    bus.AddOtherHidDevice(0x3C4D, 0x0002);
    ASSERT_EQ(dlg->TransferVersionBytes(1, nullptr), kFail);
    window.SetControlText(kIdProductId, "0002");
    uint8_t buffer[4] = {};
    EXPECT_EQ(dlg->TransferVersionBytes(1, buffer), kFail);
    EXPECT_EQ(dlg->hidInputReportLength.load(), 64) << "the main connection keeps its report length";
}

TEST_F(FirmwareVersion, EraseOnAnOpenConnectionSendsTwoCommandsAndKeepsItOpen) {
    bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    bus.ClearLog();

    dlg->OnEraseEeprom();

    const auto requests = Requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_TRUE(requests[0].IsErase());
    EXPECT_TRUE(requests[1].IsErase());
    EXPECT_EQ(requests[1].timeUs - requests[0].timeUs, 2000u);
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 1u);
    EXPECT_TRUE(window.Boxes().empty());
}

TEST_F(FirmwareVersion, EraseOpensAClosedConnectionAndClosesItAgain) {
    const int chip = bus.AddFactoryChip(ChipVariant::A);
    StartDialog();
    dlg->CloseDevice();
    bus.ClearLog();

    dlg->OnEraseEeprom();

    EXPECT_EQ(CountRequests([](const test::Request& r) { return r.IsErase(); }), 2u);
    EXPECT_EQ(dlg->hidLink.isOpen.load(), 0u);
    EXPECT_EQ(bus.Eeprom(chip)[0], 0xFF);

    // With nothing attached nothing is sent and nothing shown.
    bus.Unplug(chip);
    bus.ClearLog();
    dlg->OnEraseEeprom();
    EXPECT_TRUE(Requests().empty());
    EXPECT_TRUE(window.Boxes().empty());
}

}  // namespace
}  // namespace zt

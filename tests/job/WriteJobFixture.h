#pragma once
#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "job/EepromImage.h"
#include "job/JobResult.h"
#include "support/SimDialogFixture.h"

namespace zt::test {

inline constexpr const char* kReplugPrompt =
    "Please re-plugin USB device and MUST wait for USB device being recognized.\n"
    "Then press button to continue writting EEPROM!!";
inline constexpr const char* kCompletion = "Write to EEPROM OK! Please re-plugin USB device !!";
inline constexpr const char* kJobCaption = "Write to EEPROM...";

// One output report as the chip saw it.
struct Request {
    std::vector<uint8_t> bytes;
    uint64_t timeUs;
    uint8_t command() const { return bytes.size() > 2 ? bytes[2] : 0; }
    bool IsErase() const { return bytes.size() > 3 && bytes[1] == 0xF5 && bytes[2] == 0xAB && bytes[3] == 0xCD; }
    bool IsEepromWrite() const { return !IsErase() && command() == 0x11; }
    bool IsEepromRead() const { return !IsErase() && command() == 0x12; }
    bool IsRegisterWrite() const { return !IsErase() && command() == 0x21; }
    uint16_t address() const { return static_cast<uint16_t>(bytes[5] << 8 | bytes[6]); }
    uint8_t count() const { return bytes[7]; }
};

// A write job on the simulated bus: the operator re-plugs when asked, and the
// test reads back what went over the wire.
struct WriteJobFixture : SimDialogFixture {
    // The operator re-plugs the chip while the re-plug prompt is open.
    void ReplugOnPrompt(int chip = 0) {
        window.onMessageBox = [this, chip](const FakeWindow::MessageBox& box) {
            if (box.text == kReplugPrompt) bus.Replug(chip);
        };
    }

    std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : window.Boxes()) texts.push_back(box.text);
        return texts;
    }
    std::vector<std::string> FailureTexts() {
        std::vector<std::string> texts;
        for (const auto& text : BoxTexts())
            if (text.rfind("Fail to Write EEPROM!", 0) == 0) texts.push_back(text);
        return texts;
    }

    std::vector<Request> Requests() const {
        std::vector<Request> out;
        for (const auto& e : bus.Log())
            if (e.kind == sim::SimLogEntry::Kind::OutputReport) out.push_back({e.bytes, e.timeUs});
        return out;
    }
    size_t CountRequests(const std::function<bool(const Request&)>& match) const {
        size_t n = 0;
        for (const auto& r : Requests()) n += match(r) ? 1 : 0;
        return n;
    }

    // Waits (real time, bounded) for a condition the worker brings about.
    static bool WaitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }

    // The image a chip of this variant should end up with.
    static const EepromImage& ImageFor(sim::ChipVariant variant) {
        return variant == sim::ChipVariant::B ? kImageB : kImageA;
    }
    bool EepromHoldsImage(const EepromImage& image, int chip = 0) const {
        const auto eeprom = bus.Eeprom(chip);
        return std::equal(image.begin(), image.end(), eeprom.begin());
    }

    // A chip without a valid header boots as an updater device.
    int AddUpdaterChip(sim::ChipVariant variant, std::vector<uint8_t> header = std::vector<uint8_t>(8, 0)) {
        const int chip = bus.AddFactoryChip(variant);
        bus.SetEeprom(chip, 0, header);
        bus.Replug(chip);
        bus.ClearLog();
        return chip;
    }

    // Body addresses, one per 8-byte group, whose image byte is neither 0x00
    // nor 0xFF, so a write that does not stick is seen by the verify.
    static std::vector<uint16_t> DistinctBodyBytes(const EepromImage& image, size_t n) {
        std::vector<uint16_t> out;
        for (uint32_t group = 8; group < kImageSize && out.size() < n; group += 8)
            for (uint32_t a = group; a < group + 8; ++a)
                if (image[a] != 0x00 && image[a] != 0xFF) {
                    out.push_back(static_cast<uint16_t>(a));
                    break;
                }
        return out;
    }
};

}  // namespace zt::test

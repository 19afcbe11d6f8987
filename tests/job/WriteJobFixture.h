#pragma once
#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "chip/EepromImage.h"
#include "support/SimDialogFixture.h"

namespace zt::test {

inline const std::string kReplugPrompt =
    "Please re-plugin USB device and MUST wait for USB device being recognized.\n"
    "Then press button to continue writting EEPROM!!";
inline const std::string kCompletion = "Write to EEPROM OK! Please re-plugin USB device !!";

// One output report as the chip saw it.
struct Request {
    std::vector<uint8_t> bytes;
    uint64_t timeUs;
    bool IsErase() const { return bytes[1] == 0xF5 && bytes[2] == 0xAB && bytes[3] == 0xCD; }
    bool Is(uint8_t command) const { return !IsErase() && bytes[2] == command; }
    bool IsEepromWrite() const { return Is(0x11); }
    bool IsEepromRead() const { return Is(0x12); }
    uint16_t address() const { return static_cast<uint16_t>(bytes[5] << 8 | bytes[6]); }
    uint8_t count() const { return bytes[7]; }
};

// A write job on the simulated bus, with the operator's answers to the
// worker's boxes and what went over the wire.
struct WriteJobFixture : SimDialogFixture {
    void ReplugOnPrompt(int chip) {
        window.onMessageBox = [this, chip](const FakeWindow::MessageBox& box) {
            if (box.text == kReplugPrompt) bus.Replug(chip);
        };
    }
    std::vector<std::string> BoxTexts() {
        std::vector<std::string> texts;
        for (const auto& box : window.Boxes()) texts.push_back(box.text);
        return texts;
    }
    std::vector<Request> Requests() const {
        std::vector<Request> out;
        for (const auto& e : bus.Log())
            if (e.kind == sim::SimLogEntry::Kind::OutputReport) out.push_back({e.bytes, e.timeUs});
        return out;
    }
    size_t CountRequests(const std::function<bool(const Request&)>& match) const {
        const auto requests = Requests();
        return static_cast<size_t>(std::count_if(requests.begin(), requests.end(), match));
    }
    // Waits (real time, bounded) for something the worker brings about.
    static bool WaitUntil(const std::function<bool()>& condition,
                          std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        const auto deadline = std::chrono::steady_clock::now() + limit;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return true;
    }
    bool EepromHoldsImage(const EepromImage& image, int chip) const {
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
    // Ends one case of a table-driven test so that the next starts afresh.
    void EndCase(int chip) {
        CloseDialog();
        dlg.reset();
        window.boxes.clear();
        window.reports.clear();
        window.progress.clear();
        window.onMessageBox = nullptr;
        if (chip >= 0) bus.Unplug(chip);
        bus.ClearLog();
    }
    // Every output report on the bus as hex, each with the time since the
    // one before it ("-" for the first and across a plug or unplug, whose
    // length is the operator's), one line each; `requests` counts them.
    std::string WireText(size_t* requests) const {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        std::string wire;
        uint64_t last = 0;
        bool replugged = false;
        *requests = 0;
        for (const auto& e : bus.Log()) {
            if (e.kind == sim::SimLogEntry::Kind::Unplug || e.kind == sim::SimLogEntry::Kind::Plug)
                replugged = true;
            if (e.kind != sim::SimLogEntry::Kind::OutputReport) continue;
            for (const uint8_t byte : e.bytes) {
                wire += kDigits[byte >> 4];
                wire += kDigits[byte & 0x0F];
            }
            wire += *requests == 0 || replugged ? " -\n" : " +" + std::to_string(e.timeUs - last) + "us\n";
            last = e.timeUs;
            replugged = false;
            ++*requests;
        }
        return wire;
    }
    // Body addresses, one per 8-byte group, whose image byte is neither 0x00
    // nor 0xFF, so that a write which does not stick is seen by the verify.
    static std::vector<uint16_t> DistinctBodyBytes(size_t n) {
        std::vector<uint16_t> out;
        for (uint32_t group = 8; group < kImageSize && out.size() < n; group += 8)
            for (uint32_t a = group; a < group + 8; ++a)
                if (kImageA[a] != 0x00 && kImageA[a] != 0xFF) {
                    out.push_back(static_cast<uint16_t>(a));
                    break;
                }
        return out;
    }
};

}  // namespace zt::test

// Feeds arbitrary link report lengths and arbitrary reply reports to the three
// exchanges. Whatever the device or the backend returns, nothing may be read or
// written past the 64-byte report buffers or past the caller's data buffer
// (AddressSanitizer watches both), and a successful read must hand over the
// data bytes of the reply that matched.
//
// Input layout:
//   0-1  input report length (little-endian)     2-3  output report length
//   4    exchange: 0 EEPROM read, 1 EEPROM write, 2 register read,
//        3 register write, 4 erase command
//   5    byte count        6 tag        7-8 address / register
//   9    link flags: bit 0 no write handle, bit 1 no read handle,
//        bit 2 writes fail, bit 3 end of script is a failed read (else a time-out)
//   10.. the script of replies, each a control byte then its bytes:
//        0xFF a read time-out, 0xFE a failed read, else the reply length the
//        backend reports; it fills no more than the host asked for, with
//        zeros where the script runs out.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "device/HidLink.h"
#include "protocol/CommandExchange.h"
#include "sim/SimClock.h"

namespace {

using namespace zt;

class ScriptedHid final : public HidBackend {
public:
    ScriptedHid(const uint8_t* data, size_t size, bool failWrites, bool endWithFailure)
        : data_(data), size_(size), failWrites_(failWrites), endWithFailure_(endWithFailure) {}

    std::vector<std::string> ListInterfaces() override { return {}; }
    Handle Open(const std::string&, bool) override { return kInvalidHandle; }
    bool GetAttributes(Handle, uint16_t&, uint16_t&) override { return false; }
    bool GetCaps(Handle, uint16_t&, uint16_t&) override { return false; }
    void Close(Handle) override {}

    int Write(Handle, const uint8_t* report, size_t length) override {
        if (length == 0 || length > kMaxReportLength) std::abort();
        volatile uint8_t touch = report[length - 1];  // the whole report must be readable
        (void)touch;
        return failWrites_ ? -1 : static_cast<int>(length);
    }

    int Read(Handle, uint8_t* buffer, size_t length, uint32_t) override {
        if (length == 0 || length > kMaxReportLength) std::abort();
        if (pos_ >= size_) return endWithFailure_ ? 0 : -1;
        const uint8_t control = data_[pos_++];
        if (control == 0xFF) return -1;
        if (control == 0xFE) return 0;
        // The reply's bytes come from the script, zeros where the script ends.
        const size_t copied = control < length ? control : length;
        for (size_t i = 0; i < copied; ++i) buffer[i] = pos_ < size_ ? data_[pos_++] : 0;
        lastReply_.assign(buffer, buffer + copied);
        for (size_t i = copied; i < control && pos_ < size_; ++i) ++pos_;  // bytes the host did not take
        return control;  // may claim more than was asked for
    }

    std::vector<uint8_t> lastReply_;

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
    bool failWrites_;
    bool endWithFailure_;
};

constexpr size_t kHeaderSize = 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHeaderSize) return 0;
    const uint16_t inputLength = static_cast<uint16_t>(data[0] | (data[1] << 8));
    const uint16_t outputLength = static_cast<uint16_t>(data[2] | (data[3] << 8));
    const uint8_t exchange = data[4] % 5;
    const uint8_t count = data[5];
    const uint8_t tag = data[6];
    const uint16_t address = static_cast<uint16_t>(data[7] | (data[8] << 8));
    const uint8_t flags = data[9];

    ScriptedHid hid(data + kHeaderSize, size - kHeaderSize, flags & 4, flags & 8);
    sim::SimClock clock;
    HidLink link(hid, clock);
    link.writeHandle = (flags & 1) ? kInvalidHandle : 10;
    link.readHandle = (flags & 2) ? kInvalidHandle : 11;
    link.inputReportLength = inputLength;
    link.outputReportLength = outputLength;

    // The caller's buffer is exactly `count` bytes long, on the heap, so that
    // a copy of one byte too many is caught.
    std::vector<uint8_t> buffer(count);
    for (size_t i = 0; i < buffer.size(); ++i) buffer[i] = static_cast<uint8_t>(i * 7);
    uint8_t* bufferData = count ? buffer.data() : nullptr;
    uint8_t value = static_cast<uint8_t>(address);

    switch (exchange) {
        case 0:
            if (HidEepromTransfer(address, link, 1, count, bufferData, tag)) {
                const auto& reply = hid.lastReply_;
                if (reply.size() < 9u + count || reply[7] != tag || reply[8] != count) std::abort();
                if (count && std::memcmp(buffer.data(), reply.data() + 9, count) != 0) std::abort();
            }
            break;
        case 1:
            (void)HidEepromTransfer(address, link, 0, count, bufferData, tag);
            break;
        case 2:
            if (HidRegisterAccess(link, &value, 1, static_cast<uint8_t>(address), tag)) {
                const auto& reply = hid.lastReply_;
                if (reply.size() < 9 || reply[7] != tag || reply[8] != value) std::abort();
            }
            break;
        case 3:
            (void)HidRegisterAccess(link, &value, 0, static_cast<uint8_t>(address), tag);
            break;
        default:
            (void)HidSendEraseCommand(link);
            break;
    }
    return 0;
}

#include "WireCheck.h"

#include <chrono>
#include <cstdio>

#include "KernelBed.h"
#include "chip/EepromImage.h"

namespace zt::kernelbed {

namespace {

using gadget::WireEvent;

enum class Request { Erase, RegisterWrite, RegisterRead, EepromWrite, EepromRead, Other };

Request KindOf(const std::vector<uint8_t>& r) {
    if (r.size() > 3 && r[1] == 0xF5 && r[2] == 0xAB && r[3] == 0xCD) return Request::Erase;
    if (r.size() < 8) return Request::Other;
    switch (r[2]) {
        case 0x21:
            return Request::RegisterWrite;
        case 0x22:
            return Request::RegisterRead;
        case 0x11:
            return Request::EepromWrite;
        case 0x12:
            return Request::EepromRead;
        default:
            return Request::Other;
    }
}

unsigned Address(const std::vector<uint8_t>& r) { return static_cast<unsigned>(r[5] << 8 | r[6]); }

std::string Format(const char* format, unsigned a, unsigned b = 0, unsigned c = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

// A body write or read-back chunk, which belongs to a range; empty otherwise.
bool IsBodyWrite(const std::vector<uint8_t>& r) {
    return KindOf(r) == Request::EepromWrite && Address(r) >= 8 && Address(r) != kProgressMarkerAddress;
}
bool IsReadBack(const std::vector<uint8_t>& r) {
    return KindOf(r) == Request::EepromRead && (Address(r) >= 8 || r[7] > 8);
}

std::string Token(const WireEvent& e) {
    if (e.kind == WireEvent::Kind::Unplug) return "unplug";
    if (e.kind == WireEvent::Kind::Plug)
        return Format("plug %02X%02X:", e.bytes[0], e.bytes[1]) + Format("%02X%02X", e.bytes[2], e.bytes[3]);
    if (e.kind == WireEvent::Kind::VendorRequest)
        return Format("vendor %02X %02X ", e.setup.requestType, e.setup.request) +
               Format("value=%04X index=%04X length=%u", e.setup.value, e.setup.index, e.setup.length);
    const auto& r = e.bytes;
    switch (KindOf(r)) {
        case Request::Erase:
            return "erase";
        case Request::RegisterWrite:
            return Format("reg-write %02X=%02X", r[4], r[5]);
        case Request::RegisterRead:
            return "reg-read";
        case Request::EepromWrite:
            if (Address(r) == kProgressMarkerAddress && r[7] == 1) return Format("marker %u", r[8]);
            return Format("write %u+%u", Address(r), r[7]);
        case Request::EepromRead:
            return Format("read %u+%u", Address(r), r[7]);
        case Request::Other:
            break;
    }
    return "other";
}

}  // namespace

std::vector<std::string> RequestShape(const std::vector<WireEvent>& log) {
    std::vector<std::string> shape;
    std::string last;
    int repeats = 0;
    auto flush = [&] {
        if (repeats == 0) return;
        shape.push_back(repeats > 1 ? last + " x" + std::to_string(repeats) : last);
        repeats = 0;
    };
    for (size_t i = 0; i < log.size();) {
        const auto& r = log[i].bytes;
        const bool report = log[i].kind == WireEvent::Kind::OutputReport;
        if (report && (IsBodyWrite(r) || IsReadBack(r))) {
            // A range: body writes walk down by 8, the read-back walks up by its chunk.
            const bool write = IsBodyWrite(r);
            const unsigned first = Address(r);
            unsigned next = first, lastEnd = first + r[7];
            size_t j = i;
            while (j < log.size() && log[j].kind == WireEvent::Kind::OutputReport &&
                   (write ? IsBodyWrite(log[j].bytes) : IsReadBack(log[j].bytes)) &&
                   Address(log[j].bytes) == next) {
                lastEnd = Address(log[j].bytes) + log[j].bytes[7];
                next = write ? Address(log[j].bytes) - 8 : lastEnd;
                ++j;
            }
            flush();
            if (write)
                shape.push_back(Format("body-write %u down to %u", first, Address(log[j - 1].bytes)));
            else
                shape.push_back(Format("read-back %u up to %u", first, lastEnd));
            i = j;
            continue;
        }
        const std::string token = Token(log[i]);
        if (token != last) flush();
        last = token;
        ++repeats;
        ++i;
    }
    flush();
    return shape;
}

std::vector<std::string> PacingViolations(const std::vector<WireEvent>& log) {
    using std::chrono::microseconds;
    std::vector<std::string> violations;
    for (size_t i = 1; i < log.size(); ++i) {
        const WireEvent& before = log[i - 1];
        const WireEvent& now = log[i];
        if (before.kind != WireEvent::Kind::OutputReport || now.kind != WireEvent::Kind::OutputReport)
            continue;
        microseconds needed{0};
        switch (KindOf(before.bytes)) {
            case Request::Erase:
                needed = microseconds(2000);
                break;
            case Request::RegisterWrite:
                needed = microseconds(13000);
                break;
            case Request::EepromWrite:
            case Request::EepromRead:
                needed = microseconds(3000);
                break;
            case Request::RegisterRead:
            case Request::Other:
                break;
        }
        const auto gap = std::chrono::duration_cast<microseconds>(now.time - before.time);
        if (gap < needed)
            violations.push_back("request " + std::to_string(i) + " (" + Token(now) + ") came " +
                                 std::to_string(gap.count()) + " us after " + Token(before));
    }
    return violations;
}

std::vector<std::string> ExpectedJobShape(const gadget::GadgetIds& factory, uint16_t updaterProductId) {
    const unsigned last = kImageSize - 8;
    return {"plug " + Hex4(factory.vendorId) + ":" + Hex4(factory.productId),
            "reg-read x10",  // the chip identity, before the job starts
            "reg-write C4=0C",
            "marker 1",
            "erase x2",
            "unplug",
            "plug 3C4D:" + Hex4(updaterProductId),
            "reg-read x10",  // the same chip identifier came back
            "reg-write C4=0C",
            "marker 1",
            "write 0+8",
            "read 0+8",
            "marker 2",
            "body-write " + std::to_string(last) + " down to 8",
            "read-back 0 up to " + std::to_string(kImageSize),
            "marker 3",
            "write 5+3",
            "read 5+3",
            "marker 4",
            "write 0+5",
            "read 0+5",
            "marker 0"};
}

}  // namespace zt::kernelbed

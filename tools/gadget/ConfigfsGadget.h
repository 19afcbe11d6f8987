#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace zt::gadget {

// What the device descriptor says about the unit; the chip model decides it
// at every boot.
struct GadgetIds {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t bcdDevice = 0;
    std::string serial;  // the serial string; "" keeps the gadget's own name there
};

// One composite USB gadget in configfs, as the chip presents itself: a HID
// interface (vendor page, no report IDs) and a FunctionFS interface for the
// audio-class part. Binding it to a UDC is the cable going in; unbinding is
// the cable coming out. Needs root, configfs mounted, libcomposite loaded.
// Failures throw std::runtime_error naming the file.
class ConfigfsGadget {
public:
    ConfigfsGadget(std::string name, const std::vector<uint8_t>& reportDescriptor, uint16_t reportLength);
    ~ConfigfsGadget();  // unbinds and removes everything it created
    ConfigfsGadget(const ConfigfsGadget&) = delete;
    ConfigfsGadget& operator=(const ConfigfsGadget&) = delete;

    void SetIds(const GadgetIds& ids);
    // The fastest speed the gadget offers the host ("full-speed",
    // "high-speed"); before the bind.
    void SetMaxSpeed(const std::string& speed);
    // FunctionFS must have its descriptors before the bind, or the kernel refuses it.
    void Bind(const std::string& udc);
    void Unbind();
    bool Bound() const { return !udc_.empty(); }

    // The /dev node of the HID function; it exists only while the gadget is bound.
    std::string HidgNode() const;
    // The FunctionFS instance to mount: "mount -t functionfs <instance> <dir>".
    const std::string& FunctionFsInstance() const { return name_; }

private:
    void Remove();

    std::string name_;
    std::string root_;
    std::string udc_;
    std::vector<std::string> created_;  // directories and links, removed in reverse order
};

// A vendor-page report descriptor without report IDs whose reports carry
// inputLength - 1 and outputLength - 1 bytes (the lengths count the report-ID
// byte, as the tool sees them).
std::vector<uint8_t> VendorReportDescriptor(uint16_t inputLength, uint16_t outputLength);

}  // namespace zt::gadget

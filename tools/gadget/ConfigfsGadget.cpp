#include "ConfigfsGadget.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace zt::gadget {

namespace {

constexpr const char* kGadgetRoot = "/sys/kernel/config/usb_gadget/";

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw std::runtime_error(what + " " + path + ": " + std::strerror(errno));
}

void WriteFile(const std::string& path, const void* data, size_t length) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) Fail("cannot open", path);
    const ssize_t written = ::write(fd, data, length);
    const int error = errno;
    ::close(fd);
    errno = error;
    if (written != static_cast<ssize_t>(length)) Fail("cannot write", path);
}

void WriteText(const std::string& path, const std::string& text) {
    WriteFile(path, text.data(), text.size());
}

std::string Hex(uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value);
    return text;
}

std::string ReadLineOf(const std::string& path) {
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

std::vector<uint8_t> VendorReportDescriptor(uint16_t inputLength, uint16_t outputLength) {
    return {0x06, 0x00,
            0xFF,  // usage page: vendor 0xFF00
            0x09, 0x01,
            0xA1, 0x01,  // usage 1, application collection
            0x15, 0x00,
            0x26, 0xFF,
            0x00, 0x75,
            0x08,  // bytes 0..255
            0x95, static_cast<uint8_t>(inputLength - 1),
            0x09, 0x01,
            0x81, 0x02,
            0x95, static_cast<uint8_t>(outputLength - 1),
            0x09, 0x01,
            0x91, 0x02,
            0xC0};
}

ConfigfsGadget::ConfigfsGadget(std::string name, const std::vector<uint8_t>& reportDescriptor,
                               uint16_t reportLength)
    : name_(std::move(name)), root_(kGadgetRoot + name_) {
    auto makeDir = [this](const std::string& path) {
        if (::mkdir(path.c_str(), 0755) < 0) Fail("cannot create", path);
        created_.push_back(path);
    };
    try {
        makeDir(root_);
        WriteText(root_ + "/bcdUSB", "0x0200");
        makeDir(root_ + "/strings/0x409");
        WriteText(root_ + "/strings/0x409/manufacturer", "ZT");
        WriteText(root_ + "/strings/0x409/product", "ZT51xx test unit " + name_);
        WriteText(root_ + "/strings/0x409/serialnumber", name_);
        makeDir(root_ + "/configs/c.1");
        WriteText(root_ + "/configs/c.1/MaxPower", "100");

        const std::string hid = root_ + "/functions/hid.usb0";
        makeDir(hid);
        WriteText(hid + "/protocol", "0");
        WriteText(hid + "/subclass", "0");
        WriteText(hid + "/report_length", std::to_string(reportLength));
        // The kernel takes the descriptor as raw bytes.
        WriteFile(hid + "/report_desc", reportDescriptor.data(), reportDescriptor.size());
        makeDir(root_ + "/functions/ffs." + name_);

        for (const std::string& function : {std::string("hid.usb0"), "ffs." + name_}) {
            const std::string link = root_ + "/configs/c.1/" + function;
            if (::symlink((root_ + "/functions/" + function).c_str(), link.c_str()) < 0)
                Fail("cannot link", link);
            created_.push_back(link);
        }
    } catch (...) {
        Remove();
        throw;
    }
}

ConfigfsGadget::~ConfigfsGadget() { Remove(); }

void ConfigfsGadget::Remove() {
    try {
        Unbind();
    } catch (const std::exception&) {
        // Going away anyway; the removals below report nothing either.
    }
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        struct stat st {};
        if (::lstat(it->c_str(), &st) == 0 && S_ISLNK(st.st_mode))
            ::unlink(it->c_str());
        else
            ::rmdir(it->c_str());
    }
    created_.clear();
}

void ConfigfsGadget::SetIds(const GadgetIds& ids) {
    WriteText(root_ + "/idVendor", Hex(ids.vendorId));
    WriteText(root_ + "/idProduct", Hex(ids.productId));
    WriteText(root_ + "/bcdDevice", Hex(ids.bcdDevice));
    // The chip reports the serial string its EEPROM holds.
    WriteText(root_ + "/strings/0x409/serialnumber", ids.serial.empty() ? name_ : ids.serial);
}

void ConfigfsGadget::SetMaxSpeed(const std::string& speed) { WriteText(root_ + "/max_speed", speed); }

void ConfigfsGadget::Bind(const std::string& udc) {
    WriteText(root_ + "/UDC", udc);
    udc_ = udc;
}

void ConfigfsGadget::Unbind() {
    if (udc_.empty()) return;
    WriteText(root_ + "/UDC", "\n");
    udc_.clear();
}

std::string ConfigfsGadget::HidgNode() const {
    // The function's "dev" attribute is major:minor; the kernel names the node in its uevent.
    const std::string dev = ReadLineOf(root_ + "/functions/hid.usb0/dev");
    std::ifstream uevent("/sys/dev/char/" + dev + "/uevent");
    for (std::string line; std::getline(uevent, line);)
        if (line.rfind("DEVNAME=", 0) == 0) return "/dev/" + line.substr(8);
    return "";
}

}  // namespace zt::gadget

#include "FunctionFsEndpoint0.h"

#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace zt::gadget {

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// The descriptor blob: one interface, the same at full and high speed.
struct __attribute__((packed)) Descriptors {
    usb_functionfs_descs_head_v2 header;
    __le32 fsCount;
    __le32 hsCount;
    usb_interface_descriptor fs;
    usb_interface_descriptor hs;
};

struct __attribute__((packed)) Strings {
    usb_functionfs_strings_head header;
};

usb_interface_descriptor AudioControlInterface() {
    usb_interface_descriptor d{};
    d.bLength = USB_DT_INTERFACE_SIZE;
    d.bDescriptorType = USB_DT_INTERFACE;
    d.bNumEndpoints = 0;
    d.bInterfaceClass = USB_CLASS_AUDIO;
    d.bInterfaceSubClass = 1;  // audio control
    return d;
}

void WriteAll(int fd, const void* data, size_t length, const char* what) {
    if (::write(fd, data, length) != static_cast<ssize_t>(length)) Fail(what);
}

}  // namespace

FunctionFsEndpoint0::FunctionFsEndpoint0(const std::string& instance, const std::string& mountPoint)
    : mountPoint_(mountPoint) {
    ::mkdir(mountPoint_.c_str(), 0755);
    if (::mount(instance.c_str(), mountPoint_.c_str(), "functionfs", 0, nullptr) < 0)
        Fail("cannot mount functionfs " + instance + " on " + mountPoint_);
    fd_ = ::open((mountPoint_ + "/ep0").c_str(), O_RDWR | O_CLOEXEC);
    if (fd_ < 0) {
        const int error = errno;
        ::umount(mountPoint_.c_str());
        errno = error;
        Fail("cannot open " + mountPoint_ + "/ep0");
    }

    Descriptors descriptors{};
    descriptors.header.magic = htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    descriptors.header.length = htole32(sizeof descriptors);
    // Without ALL_CTRL_RECIP the composite driver keeps requests addressed
    // to the device away from us, and the vendor requests are exactly those.
    descriptors.header.flags =
        htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC | FUNCTIONFS_ALL_CTRL_RECIP);
    descriptors.fsCount = htole32(1);
    descriptors.hsCount = htole32(1);
    descriptors.fs = AudioControlInterface();
    descriptors.hs = AudioControlInterface();
    Strings strings{};
    strings.header.magic = htole32(FUNCTIONFS_STRINGS_MAGIC);
    strings.header.length = htole32(sizeof strings);
    try {
        WriteAll(fd_, &descriptors, sizeof descriptors, "cannot write the FunctionFS descriptors");
        WriteAll(fd_, &strings, sizeof strings, "cannot write the FunctionFS strings");
    } catch (...) {
        ::close(fd_);
        ::umount(mountPoint_.c_str());
        throw;
    }
}

FunctionFsEndpoint0::~FunctionFsEndpoint0() {
    if (fd_ >= 0) ::close(fd_);
    ::umount2(mountPoint_.c_str(), MNT_DETACH);
    ::rmdir(mountPoint_.c_str());
}

std::vector<ControlSetup> FunctionFsEndpoint0::ReadSetups(bool* hostLetGo) {
    std::vector<ControlSetup> setups;
    usb_functionfs_event events[4];
    const ssize_t got = ::read(fd_, events, sizeof events);
    if (got < 0) {
        if (errno == EAGAIN || errno == EINTR) return setups;
        Fail("cannot read FunctionFS events");
    }
    for (size_t i = 0; i < static_cast<size_t>(got) / sizeof events[0]; ++i) {
        // The kernel keeps only the newest of these four pending.
        const uint8_t type = events[i].type;
        if (hostLetGo && (type == FUNCTIONFS_BIND || type == FUNCTIONFS_UNBIND || type == FUNCTIONFS_ENABLE ||
                          type == FUNCTIONFS_DISABLE))
            *hostLetGo = type == FUNCTIONFS_DISABLE;
        if (type != FUNCTIONFS_SETUP) continue;
        const usb_ctrlrequest& r = events[i].u.setup;
        setups.push_back(
            {r.bRequestType, r.bRequest, le16toh(r.wValue), le16toh(r.wIndex), le16toh(r.wLength)});
    }
    return setups;
}

void FunctionFsEndpoint0::ReplyIn(const ControlSetup& setup, const uint8_t* data, size_t length) {
    if (length > setup.length) length = setup.length;
    // The host may have given up on the request already; that is its business.
    (void)::write(fd_, data, length);
}

std::vector<uint8_t> FunctionFsEndpoint0::AcceptOut(const ControlSetup& setup) {
    std::vector<uint8_t> data(setup.length);
    const ssize_t got = ::read(fd_, data.data(), data.size());
    data.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return data;
}

void FunctionFsEndpoint0::Stall(const ControlSetup& setup) {
    // Reading against an IN request (or writing against an OUT one) stalls it.
    if (setup.isIn())
        (void)::read(fd_, nullptr, 0);
    else
        (void)::write(fd_, nullptr, 0);
}

}  // namespace zt::gadget

#include "ChipGadget.h"

#include <dirent.h>
#include <fcntl.h>
#include <glob.h>
#include <linux/usb/ch9.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "sim/SimBus.h"

namespace zt::gadget {

namespace {

using namespace std::chrono_literals;

constexpr auto kNodeWait = 5s;  // bounded waits for the kernel's side of a plug or unplug
constexpr const char* kMountBase = "/run/zt-gadget";

std::string UnitName(int unit) { return "zt" + std::to_string(unit); }
std::string UdcName(int unit) { return "dummy_udc." + std::to_string(unit); }

// Whether the host side of this unit's virtual bus has a device on its port.
// The dummy host controller of unit N is platform device dummy_hcd.N; its
// root hub usbB has the device as B-1 while the cable is in.
bool HostSeesDevice(int unit) {
    const std::string hcd = "/sys/devices/platform/dummy_hcd." + std::to_string(unit);
    DIR* dir = ::opendir(hcd.c_str());
    if (!dir) return false;
    bool present = false;
    while (dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.rfind("usb", 0) != 0) continue;
        struct stat st {};
        const std::string device = hcd + "/" + name + "/" + name.substr(3) + "-1";
        if (::stat(device.c_str(), &st) == 0) present = true;
    }
    ::closedir(dir);
    return present;
}

// Whether the host has bound its HID driver to the unit: a hidraw node under
// the device, which is what "recognised" means to the tool.
bool HostHasHidraw(int unit) {
    const std::string pattern =
        "/sys/devices/platform/dummy_hcd." + std::to_string(unit) + "/usb*/*-1/*-1:1.*/*/hidraw/hidraw*";
    glob_t found{};
    const bool present = ::glob(pattern.c_str(), 0, nullptr, &found) == 0 && found.gl_pathc > 0;
    ::globfree(&found);
    return present;
}

template <typename Predicate>
bool WaitFor(Predicate done) {
    const auto deadline = std::chrono::steady_clock::now() + kNodeWait;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

std::vector<uint8_t> IdBytes(const GadgetIds& ids) {
    return {static_cast<uint8_t>(ids.vendorId >> 8),  static_cast<uint8_t>(ids.vendorId),
            static_cast<uint8_t>(ids.productId >> 8), static_cast<uint8_t>(ids.productId),
            static_cast<uint8_t>(ids.bcdDevice >> 8), static_cast<uint8_t>(ids.bcdDevice)};
}

}  // namespace

ChipGadget::ChipGadget(const ChipGadgetOptions& options)
    : options_(options),
      model_(options.variant, options.eeprom.empty() ? sim::FactoryEeprom(options.variant) : options.eeprom) {
    const uint16_t reportLength = std::max(options_.inputReportLength, options_.outputReportLength) - 1;
    gadget_ = std::make_unique<ConfigfsGadget>(
        UnitName(options_.unit),
        VendorReportDescriptor(options_.inputReportLength, options_.outputReportLength), reportLength);
    if (options_.fullSpeed) {
        gadget_->SetMaxSpeed("full-speed");
        model_.SetFullSpeedLink(true);
    }
    ::mkdir(kMountBase, 0755);
    ep0_ = std::make_unique<FunctionFsEndpoint0>(gadget_->FunctionFsInstance(),
                                                 std::string(kMountBase) + "/" + UnitName(options_.unit));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) < 0) throw std::runtime_error("cannot create a pipe");
    wakeRead_ = fds[0];
    wakeWrite_ = fds[1];
    PlugIn();
    thread_ = std::thread([this] { Serve(); });
}

ChipGadget::~ChipGadget() {
    try {
        Post(Command::Stop);
    } catch (const std::exception&) {
        // The thread has ended on its own.
    }
    if (thread_.joinable()) thread_.join();
    if (hidg_ >= 0) ::close(hidg_);
    gadget_.reset();  // unbinds before FunctionFS goes away
    ep0_.reset();
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

GadgetIds ChipGadget::Ids() const {
    std::lock_guard lock(mutex_);
    return {model_.vendorId(), model_.productId(), options_.bcdDevice.value_or(model_.bcdDevice()),
            model_.serial()};
}

bool ChipGadget::Plugged() const {
    std::lock_guard lock(mutex_);
    return model_.plugged();
}

std::vector<uint8_t> ChipGadget::Eeprom() const {
    std::lock_guard lock(mutex_);
    return model_.Eeprom();
}

std::vector<WireEvent> ChipGadget::Log() const {
    std::lock_guard lock(mutex_);
    return log_;
}

size_t ChipGadget::OutputReportCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<size_t>(std::count_if(log_.begin(), log_.end(), [](const WireEvent& e) {
        return e.kind == WireEvent::Kind::OutputReport;
    }));
}

void ChipGadget::WithModel(const std::function<void(sim::SimChipModel&)>& change) {
    std::lock_guard lock(mutex_);
    change(model_);
}

void ChipGadget::Replug() { Post(Command::Replug); }
void ChipGadget::Unplug() { Post(Command::Unplug); }

// Commands run on the serving thread, which alone touches the gadget and its
// nodes; the caller waits until its command is done.
void ChipGadget::Post(Command command) {
    std::unique_lock lock(mutex_);
    if (!failure_.empty()) throw std::runtime_error(failure_);
    commands_.push_back(command);
    const uint64_t ticket = ++commandsPosted_;
    const char byte = 1;
    (void)::write(wakeWrite_, &byte, 1);
    done_.wait(lock, [&] { return commandsDone_ >= ticket || !failure_.empty(); });
    if (commandsDone_ < ticket) throw std::runtime_error(failure_);
}

void ChipGadget::PlugIn(bool waitForHost) {
    GadgetIds ids;
    {
        std::lock_guard lock(mutex_);
        model_.Plug();
        ids = {model_.vendorId(), model_.productId(), options_.bcdDevice.value_or(model_.bcdDevice()),
               model_.serial()};
        log_.push_back({std::chrono::steady_clock::now(), WireEvent::Kind::Plug, IdBytes(ids), {}});
    }
    gadget_->SetIds(ids);
    gadget_->Bind(UdcName(options_.unit));
    std::string node;
    if (!WaitFor([&] { return !(node = gadget_->HidgNode()).empty() && ::access(node.c_str(), F_OK) == 0; }))
        throw std::runtime_error("no /dev/hidg node after binding " + UnitName(options_.unit));
    hidg_ = ::open(node.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (hidg_ < 0) throw std::runtime_error("cannot open " + node + ": " + std::strerror(errno));
    // Like an operator who waits until the device is recognised before going on.
    if (waitForHost && !WaitFor([&] { return HostHasHidraw(options_.unit); }))
        throw std::runtime_error("the host did not take " + UnitName(options_.unit) + " as a HID device");
}

void ChipGadget::PullOut() {
    if (hidg_ >= 0) ::close(hidg_);
    hidg_ = -1;
    pendingReplies_.clear();
    gadget_->Unbind();
    {
        std::lock_guard lock(mutex_);
        model_.Unplug();
        log_.push_back({std::chrono::steady_clock::now(), WireEvent::Kind::Unplug, {}, {}});
    }
    // The host must have let go of the old device before a new one arrives,
    // as with a real cable: its removal comes first, then the arrival.
    if (!WaitFor([&] { return !HostSeesDevice(options_.unit); }))
        throw std::runtime_error("the host still sees " + UnitName(options_.unit) + " after the unbind");
}

void ChipGadget::RunCommand(Command command) {
    switch (command) {
        case Command::Replug:
            if (gadget_->Bound()) PullOut();
            PlugIn();
            break;
        case Command::Unplug:
            if (gadget_->Bound()) PullOut();
            break;
        case Command::Stop:
            if (gadget_->Bound()) PullOut();
            break;
    }
}

void ChipGadget::Serve() {
    for (bool running = true; running;) {
        try {
            pollfd fds[3] = {{wakeRead_, POLLIN, 0}, {ep0_->fd(), POLLIN, 0}, {hidg_, 0, 0}};
            nfds_t count = 2;
            if (hidg_ >= 0) {
                fds[2].events = static_cast<short>(POLLIN | (pendingReplies_.empty() ? 0 : POLLOUT));
                count = 3;
            }
            if (::poll(fds, count, -1) < 0) {
                if (errno == EINTR) continue;
                throw std::runtime_error(std::string("poll: ") + std::strerror(errno));
            }
            if (fds[0].revents & POLLIN) {
                char drain[64];
                while (::read(wakeRead_, drain, sizeof drain) > 0) {
                }
                for (;;) {
                    Command command;
                    {
                        std::lock_guard lock(mutex_);
                        if (commands_.empty()) break;
                        command = commands_.front();
                        commands_.pop_front();
                    }
                    RunCommand(command);
                    if (command == Command::Stop) running = false;
                    std::lock_guard lock(mutex_);
                    ++commandsDone_;
                    done_.notify_all();
                }
            }
            if (!running) break;
            if (fds[1].revents & POLLIN) {
                bool hostLetGo = false;
                for (const ControlSetup& setup : ep0_->ReadSetups(&hostLetGo)) OnControl(setup);
                // The host dropped the device from its port (it does so before
                // switching the port off; a mere reset keeps the device): the
                // chip has lost power, and comes up again while the port is
                // still off.
                if (hostLetGo && gadget_->Bound() && !HostSeesDevice(options_.unit)) {
                    PullOut();
                    PlugIn(false);
                }
            }
            if (count == 3 && hidg_ >= 0 && (fds[2].revents & POLLIN)) {
                uint8_t report[256];
                const ssize_t got = ::read(hidg_, report, sizeof report);
                if (got > 0) OnOutputReport(report, static_cast<size_t>(got));
            }
            if (hidg_ >= 0) FlushReplies();
        } catch (const std::exception& e) {
            std::lock_guard lock(mutex_);
            failure_ = std::string("gadget ") + UnitName(options_.unit) + ": " + e.what();
            done_.notify_all();
            return;
        }
    }
}

void ChipGadget::OnOutputReport(const uint8_t* data, size_t length) {
    // The kernel took the report ID 0 off; the chip's firmware sees it again.
    std::vector<uint8_t> report(length + 1, 0);
    std::copy(data, data + length, report.begin() + 1);
    sim::SimChipModel::OutputOutcome outcome;
    {
        std::lock_guard lock(mutex_);
        log_.push_back({std::chrono::steady_clock::now(), WireEvent::Kind::OutputReport, report, {}});
        outcome = model_.ReceiveOutputReport(report.data(), report.size());
    }
    if (outcome.kind == sim::SimChipModel::OutputOutcome::Kind::Unplugged) {
        PullOut();
        return;
    }
    const size_t payload = static_cast<size_t>(options_.inputReportLength) - 1;
    for (auto& reply : outcome.replies) {
        if (reply.empty()) continue;
        std::vector<uint8_t> input(reply.begin() + 1, reply.end());
        input.resize(std::min(input.size(), payload));
        pendingReplies_.push_back(std::move(input));
    }
}

void ChipGadget::FlushReplies() {
    while (!pendingReplies_.empty()) {
        const auto& reply = pendingReplies_.front();
        const ssize_t written = ::write(hidg_, reply.data(), reply.size());
        if (written < 0 && errno == EAGAIN) return;  // the previous report is still on its way
        pendingReplies_.pop_front();                 // sent, or the host is gone and it is lost
    }
}

void ChipGadget::OnControl(const ControlSetup& setup) {
    if ((setup.requestType & USB_TYPE_MASK) != USB_TYPE_VENDOR) {
        ep0_->Stall(setup);
        return;
    }
    if (setup.isIn()) {
        uint32_t value;
        {
            std::lock_guard lock(mutex_);
            value = model_.VendorIn(setup.request, setup.value, setup.index);
        }
        const uint8_t reply[4] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
                                  static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
        const size_t sent = std::min<size_t>(sizeof reply, setup.length);
        {
            std::lock_guard lock(mutex_);
            log_.push_back({std::chrono::steady_clock::now(), WireEvent::Kind::VendorRequest,
                            std::vector<uint8_t>(reply, reply + sent), setup});
        }
        ep0_->ReplyIn(setup, reply, sent);
        return;
    }
    const std::vector<uint8_t> data = ep0_->AcceptOut(setup);
    std::lock_guard lock(mutex_);
    log_.push_back({std::chrono::steady_clock::now(), WireEvent::Kind::VendorRequest, data, setup});
    model_.VendorOut(setup.request, setup.value, setup.index);
}

}  // namespace zt::gadget

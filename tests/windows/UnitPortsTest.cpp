// Units on Windows: the port named from the device nodes' location texts,
// and claims on ports that other processes see.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "platform/windows/UsbLocationPath.h"
#include "platform/windows/WindowsUnitLocks.h"

namespace zt::platform_windows {
namespace {

constexpr char kPort[] = "PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)";

// Started with ZT_HOLD_UNIT set, this binary is the other process: it claims
// that port, signals the event named in ZT_HOLD_READY and waits to be killed.
int HoldIfAsked() {
    wchar_t port[256] = {}, ready[128] = {};
    if (!GetEnvironmentVariableW(L"ZT_HOLD_UNIT", port, 256) ||
        !GetEnvironmentVariableW(L"ZT_HOLD_READY", ready, 128))
        return 0;
    static WindowsUnitLocks locks;
    const std::wstring wide(port);
    if (!locks.TryClaim(std::string(wide.begin(), wide.end())).Claimed()) ExitProcess(1);
    HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, ready);
    if (!event || !SetEvent(event)) ExitProcess(2);
    WaitForSingleObject(GetCurrentProcess(), INFINITE);
    ExitProcess(3);
}
[[maybe_unused]] const int kHolder = HoldIfAsked();

TEST(UsbLocationPath, TheUsbDeviceNodeGivesThePort) {
    // A USB device's own path; its interface, its root hub and malformed
    // tails send the search on to the parent.
    EXPECT_EQ(PortOfNode(L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)", L"Port_#0003.Hub_#0005"),
              L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)");
    EXPECT_EQ(PortOfNode(L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(12)", L""),
              L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(12)");
    for (const wchar_t* notADevice :
         {L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USBMI(1)", L"PCIROOT(0)#PCI(1400)#USBROOT(0)",
          L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB()", L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(3x)",
          L"ACPI(_SB_)#ACPI(PCI0)#ACPI(XHC_)#ACPI(RHUB)#ACPI(HS03)"})
        EXPECT_FALSE(PortOfNode(notADevice, L"Port_#0003.Hub_#0002")) << notADevice;

    // Without location paths the hub's location text names the port; an
    // interface's dotted location text does not.
    EXPECT_EQ(PortOfNode(L"", L"Port_#0003.Hub_#0002"), L"Port_#0003.Hub_#0002");
    EXPECT_FALSE(PortOfNode(L"", L"0000.0014.0000.001.003.000.000.000.000"));
    EXPECT_FALSE(PortOfNode(L"", L"Port_#03.Hub_#0002"));

    // The first of the listed paths, and never past the buffer.
    const wchar_t list[] = L"PCIROOT(0)#USB(1)\0ACPI(_SB_)#ACPI(HS01)\0";
    EXPECT_EQ(FirstOfStringList(list, sizeof list / sizeof list[0]), L"PCIROOT(0)#USB(1)");
    const wchar_t unterminated[] = {L'A', L'B', L'C'};
    EXPECT_EQ(FirstOfStringList(unterminated, 2), L"AB");
}

TEST(WindowsUnitLocks, AClaimExcludesOtherJobsHereAndElsewhereUntilItsProcessEnds) {
    const std::wstring readyName = L"Local\\zt51xx-mp-unit-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, readyName.c_str());
    ASSERT_TRUE(ready);
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    SetEnvironmentVariableW(L"ZT_HOLD_UNIT", L"PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(3)");
    SetEnvironmentVariableW(L"ZT_HOLD_READY", readyName.c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION holder{};
    std::wstring commandLine = L"\"" + std::wstring(self) + L"\"";
    const bool started = CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &holder);
    SetEnvironmentVariableW(L"ZT_HOLD_UNIT", nullptr);
    SetEnvironmentVariableW(L"ZT_HOLD_READY", nullptr);
    ASSERT_TRUE(started);
    const HANDLE either[] = {ready, holder.hProcess};
    ASSERT_EQ(WaitForMultipleObjects(2, either, FALSE, 60000), WAIT_OBJECT_0) << "the holder did not claim";

    WindowsUnitLocks ours;
    EXPECT_EQ(ours.TryClaim(kPort).outcome, ClaimOutcome::Held);
    EXPECT_TRUE(
        ours.TryClaim("PCIROOT(0)#PCI(1400)#USBROOT(0)#USB(2)#USB(4)").Claimed());  // another unit is free

    TerminateProcess(holder.hProcess, 9);
    WaitForSingleObject(holder.hProcess, INFINITE);
    CloseHandle(holder.hProcess);
    CloseHandle(holder.hThread);
    CloseHandle(ready);
    EXPECT_TRUE(ours.TryClaim(kPort).Claimed());  // a dead job's claim is free
    ours.Release(kPort);

    // A claim made on a worker thread outlives that thread, holds against a
    // second job on this thread, and is released from here.
    WindowsUnitLocks first, second;
    std::thread([&] { EXPECT_TRUE(first.TryClaim(kPort).Claimed()); }).join();
    EXPECT_EQ(second.TryClaim(kPort).outcome, ClaimOutcome::Held);
    EXPECT_EQ(first.TryClaim(kPort).outcome, ClaimOutcome::Held);
    first.Release(kPort);
    EXPECT_TRUE(second.TryClaim(kPort).Claimed());

    // Text that is no location path is refused before a name is made of it.
    const UnitClaim hostile = second.TryClaim("a\\b");
    EXPECT_EQ(hostile.outcome, ClaimOutcome::CannotLock);
    EXPECT_NE(hostile.reason.find("not a USB port name"), std::string::npos);

    // Ports that differ only where a name cannot hold them keep distinct
    // names; a very long one still fits.
    const std::wstring name = WindowsUnitLocks::ObjectName("a\\b");
    EXPECT_EQ(name.rfind(L"Global\\", 0), 0u);  // seen from every session, not only this one
    EXPECT_EQ(name.find(L'\\'), name.find(L"\\zt51xx"));
    EXPECT_NE(name, WindowsUnitLocks::ObjectName("a/b"));
    EXPECT_LT(WindowsUnitLocks::ObjectName(std::string(1000, '\\')).size(), size_t{MAX_PATH});
    EXPECT_NE(WindowsUnitLocks::ObjectName(std::string(300, 'a') + "1"),
              WindowsUnitLocks::ObjectName(std::string(300, 'a') + "2"));
}

}  // namespace
}  // namespace zt::platform_windows

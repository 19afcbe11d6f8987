#include "app/CZT51xxWriteEepromMPDlg.h"
#include "device/AudioDriverPath.h"

// Placeholder: replaced by the real implementation.
namespace zt {

const std::array<PropertySetGuid, 3> kVendorPropertySets{};

std::array<uint8_t, 48> BuildVendorPropertyFrame(int, uint32_t, uint8_t, uint8_t, uint16_t, uint16_t) { return {}; }

Status OpenVendorFilter(AudioFilterBackend&, Handle& h, const char*) { h = kInvalidHandle; return kFail; }

Status VendorRequestOut(AudioFilterBackend&, Handle, uint8_t, uint16_t, uint16_t) { return kFail; }

Status VendorRequestIn(AudioFilterBackend&, Handle, uint8_t, uint16_t, uint32_t*) { return kFail; }

Status CZT51xxWriteEepromMPDlg::AudioVendorWrite(const char*, uint8_t, uint16_t, uint16_t) { return kFail; }

Status CZT51xxWriteEepromMPDlg::AudioReadRegister(uint8_t, uint8_t*) { return kFail; }

}  // namespace zt

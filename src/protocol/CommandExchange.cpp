#include "protocol/CommandExchange.h"

// Placeholder: replaced by the real implementation.
namespace zt {

bool HidEepromTransfer(uint16_t, HidLink&, int, uint8_t, uint8_t*, uint8_t) { return false; }

bool HidRegisterAccess(HidLink&, uint8_t*, int, uint8_t, uint8_t) { return false; }

Status HidSendEraseCommand(HidLink&) { return kFail; }

}  // namespace zt

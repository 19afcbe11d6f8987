#include "station/records/RecordJson.h"

#include "chip/HexId.h"

namespace zt::station {

nlohmann::ordered_json CameBackJson(const CameBack& cameBack) {
    const ImageIdentity& unit = cameBack.unit;
    nlohmann::ordered_json json = {{"vid", FormatHexId(unit.vendorId)},
                                   {"pid", FormatHexId(unit.productId)},
                                   {"bcdDevice", FormatHexId(unit.bcdDevice)},
                                   {"serial", unit.serial}};
    if (!cameBack.link.empty()) json["link"] = cameBack.link;
    if (!cameBack.identity.empty()) json["identity"] = cameBack.identity;
    return json;
}

}  // namespace zt::station

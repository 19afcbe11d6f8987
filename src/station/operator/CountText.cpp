#include "station/operator/CountText.h"

namespace zt::station {

std::string Counted(size_t count, std::string_view one, std::string_view many) {
    return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

}  // namespace zt::station

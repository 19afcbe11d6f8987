#include "station/OperatorText.h"

namespace zt::station {

std::string OperatorText(const char* context, const char* english) {
    (void)context;
    return english;
}

}  // namespace zt::station

#pragma once
#include "host/HostIdentity.h"

namespace zt::host_posix {

// gethostname().
class PosixHostIdentity final : public HostIdentity {
public:
    std::string Name() const override;
};

}  // namespace zt::host_posix

#pragma once
#include <memory>
#include <string>

#include "cli/DeviceBackend.h"
#include "cli/SimulatedBackend.h"

namespace zt::cli {

struct BackendChoice {
    bool simulate = false;
    SimulatedBackend::Options simulation;
    Clock* machineClock = nullptr;  // paces this machine's devices; null: the real clock
};

// The simulated chip with --simulate; otherwise this machine's devices where
// the build has a backend for them. Null with a one-line reason when there is
// none.
std::unique_ptr<DeviceBackend> SelectBackend(const BackendChoice& choice, std::string* error);

}  // namespace zt::cli

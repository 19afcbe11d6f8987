#include "device/DebugOutput.h"

#include <iostream>
#include <mutex>
#include <utility>

namespace zt {

namespace {

std::mutex& SinkMutex() {
    static std::mutex mutex;
    return mutex;
}

std::function<void(std::string_view)>& Sink() {
    static std::function<void(std::string_view)> sink;
    return sink;
}

}  // namespace

void DebugOutput(std::string_view text) {
    std::lock_guard lock(SinkMutex());
    if (Sink()) {
        Sink()(text);
    } else {
        std::cerr << text << '\n';
    }
}

void SetDebugOutputSink(std::function<void(std::string_view)> sink) {
    std::lock_guard lock(SinkMutex());
    Sink() = std::move(sink);
}

}  // namespace zt

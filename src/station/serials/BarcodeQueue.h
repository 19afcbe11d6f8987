#pragma once
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "station/operator/OperatorInput.h"

namespace zt::station {

// Scanned codes, one per line of the operator's input, handed to units in the
// order they start. A code must be record text (IsRecordText) of at most
// kMaxCode bytes: one that is not is refused whole, with one line to
// `refused`, and the codes after it still go to the units they were scanned
// for. At most kMaxCodes wait; reading stops while that many do, so input
// that never ends holds no more than that, and a line too long to be any
// scanner's ends the reading. Reads on a thread of its own,
// from construction until destruction.
class BarcodeQueue {
public:
    static constexpr size_t kMaxCode = OperatorInput::kMaxLine - 1;
    static constexpr size_t kMaxCodes = 64;
    // A line this long is no scanner's: reading stops there.
    static constexpr uint64_t kMaxInputLine = 64 * 1024;

    // `refused` is called on the reading thread.
    BarcodeQueue(OperatorInput& input, std::function<void(const std::string& line)> refused);
    ~BarcodeQueue();
    BarcodeQueue(const BarcodeQueue&) = delete;
    BarcodeQueue& operator=(const BarcodeQueue&) = delete;

    // The oldest waiting code; "" when none waits.
    std::string Next();

private:
    void Read();
    void Add(std::string code, bool overLong);

    OperatorInput& input_;
    std::function<void(const std::string&)> refused_;
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    std::condition_variable taken_;
    std::deque<std::string> codes_;
    std::thread reader_;
};

}  // namespace zt::station

#include "station/serials/BarcodeQueue.h"

#include <chrono>

#include "station/operator/TerminalText.h"

namespace zt::station {

BarcodeQueue::BarcodeQueue(OperatorInput& input, std::function<void(const std::string& line)> refused)
    : input_(input), refused_(std::move(refused)) {
    reader_ = std::thread([this] { Read(); });
}

BarcodeQueue::~BarcodeQueue() {
    done_ = true;
    taken_.notify_all();
    reader_.join();
}

std::string BarcodeQueue::Next() {
    std::string code;
    {
        std::lock_guard lock(mutex_);
        if (codes_.empty()) return "";
        code = std::move(codes_.front());
        codes_.pop_front();
    }
    taken_.notify_all();
    return code;
}

void BarcodeQueue::Read() {
    const auto done = [this] { return done_.load(); };
    // A line longer than the reader takes comes in pieces: they are one code,
    // refused once the line has ended.
    std::string code;
    uint64_t length = 0;
    bool pending = false;  // a line cut at the reader's limit goes on
    for (;;) {
        {
            // Full: the rest waits in the input until a unit takes a code.
            std::unique_lock lock(mutex_);
            while (codes_.size() >= kMaxCodes && !done_) taken_.wait_for(lock, std::chrono::milliseconds(50));
        }
        bool cut = false;
        const auto piece = input_.ReadLine(done, &cut);
        if (!piece) break;
        if (!pending) code = *piece;
        length += piece->size();
        if (length > kMaxInputLine) {
            // Not a scanner's lines (/dev/zero, a binary file): nothing more is read.
            refused_("--barcode: the input holds a line of more than " + std::to_string(kMaxInputLine) +
                     " bytes; no more codes are read from it");
            return;
        }
        if (cut) {
            pending = true;
            continue;
        }
        Add(std::move(code), pending || length > kMaxCode);
        code.clear();
        length = 0;
        pending = false;
    }
    if (pending) Add("", true);  // the input ended within a long line
}

void BarcodeQueue::Add(std::string code, bool overLong) {
    if (overLong) {
        refused_("--barcode: a code of more than " + std::to_string(kMaxCode) +
                 " bytes was refused whole; the next code goes to the next unit");
        return;
    }
    if (code.empty()) return;  // an empty line is no code
    if (!IsRecordText(code)) {
        refused_(
            "--barcode: a code with control characters or invalid UTF-8 was refused whole; the next "
            "code goes to the next unit");
        return;
    }
    std::lock_guard lock(mutex_);
    codes_.push_back(std::move(code));
}

}  // namespace zt::station

#include "station/SerialNumbers.h"

#include <algorithm>
#include <cstddef>
#include <span>

#include "chip/HexId.h"
#include "chip/ImageIdentity.h"
#include "host/HostSystem.h"

namespace zt::station {

namespace {

constexpr size_t kMaxSerialFile = 16 * 1024 * 1024;
constexpr size_t kMaxStateFile = 4096;

bool AllDigits(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string Text(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

// "serial file PATH\nnext N\n": the state names its file, so a state kept
// for another file is never taken for this one's.
std::string StateText(const std::string& source, size_t next) {
    return "serial file " + source + "\nnext " + std::to_string(next) + "\n";
}

}  // namespace

std::string SerialNumbers::StatePathFor(const std::string& source, const std::string& logPath) {
    const std::string path = source.rfind("file:", 0) == 0 ? source.substr(5) : source;
    const std::string besides = logPath.empty() ? path : logPath;
    return besides + ".serial-state";
}

std::unique_ptr<SerialNumbers> SerialNumbers::Parse(const std::string& source, size_t length,
                                                    const std::string& statePath, std::string* error) {
    std::unique_ptr<SerialNumbers> serials(new SerialNumbers);
    if (source.rfind("counter:", 0) == 0) {
        std::string start = source.substr(8);
        std::string step = "1";
        if (const size_t colon = start.find(':'); colon != std::string::npos) {
            step = start.substr(colon + 1);
            start = start.substr(0, colon);
        }
        if (AllDigits(start) && start.size() < length) start.insert(0, length - start.size(), '0');
        uint64_t stepValue = 0;
        if (AllDigits(step))
            if (const auto parsed = ParseNumberArgument(step)) stepValue = *parsed;
        size_t digits = 0;
        while (digits < start.size() &&
               std::isdigit(static_cast<unsigned char>(start[start.size() - 1 - digits])))
            ++digits;
        if (!IsSerialText(start) || start.size() != length || digits == 0 || digits > 18 || stepValue == 0 ||
            stepValue > 1000000000) {
            *error = "--serial " + source + ": START must be " + std::to_string(length) +
                     " letters, digits or '-' ending in digits, and STEP a number from 1";
            return nullptr;
        }
        serials->prefix_ = start.substr(0, start.size() - digits);
        serials->digits_ = digits;
        serials->value_ = std::stoull(start.substr(start.size() - digits));
        serials->step_ = stepValue;
        return serials;
    }
    if (source.rfind("file:", 0) != 0 || source.size() == 5) {
        *error = "--serial " + source + ": give counter:START[:STEP] or file:PATH";
        return nullptr;
    }
    serials->fromFile_ = true;
    serials->sourcePath_ = source.substr(5);
    serials->statePath_ = statePath;
    const RegularFileContents file = ReadRegularFile(serials->sourcePath_, kMaxSerialFile);
    if (file.outcome != RegularFileContents::Outcome::Read) {
        *error = "--serial: cannot read " + serials->sourcePath_ + ": " +
                 (file.outcome == RegularFileContents::Outcome::TooLarge ? "too large" : file.reason);
        return nullptr;
    }
    const std::string text = Text(file.bytes);
    size_t lineNumber = 0;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        if (!IsSerialText(line) || line.size() != length) {
            *error = "--serial: " + serials->sourcePath_ + " line " + std::to_string(lineNumber) + ": \"" +
                     line + "\" is not a serial of " + std::to_string(length) + " letters, digits or '-'";
            return nullptr;
        }
        serials->lines_.push_back(line);
    }
    const RegularFileContents state = ReadRegularFile(statePath, kMaxStateFile);
    if (state.outcome == RegularFileContents::Outcome::Read) {
        const std::string expected = "serial file " + serials->sourcePath_ + "\nnext ";
        const std::string stateText = Text(state.bytes);
        const auto next = stateText.rfind(expected, 0) == 0
                              ? ParseNumberArgument(stateText.substr(
                                    expected.size(), stateText.find('\n', expected.size()) - expected.size()))
                              : std::nullopt;
        if (!next) {
            *error = "--serial: " + statePath + " is not the state of " + serials->sourcePath_ +
                     "; move it away only if no serial of that file was written";
            return nullptr;
        }
        serials->next_ = static_cast<size_t>(*next);
    } else if (!state.missing) {
        *error = "--serial: cannot read the state " + statePath + ": " + state.reason;
        return nullptr;
    }
    return serials;
}

std::optional<std::string> SerialNumbers::Next(std::string* error) {
    std::lock_guard lock(mutex_);
    if (fromFile_) {
        if (next_ >= lines_.size()) {
            *error = "every serial of " + sourcePath_ + " has been used";
            return std::nullopt;
        }
        const std::string state = StateText(sourcePath_, next_ + 1);
        if (!HostFiles().WriteFileAtomically(statePath_, std::as_bytes(std::span(state.data(), state.size())),
                                             error)) {
            *error = "cannot keep the serial state in " + statePath_ + ": " + *error;
            return std::nullopt;
        }
        return lines_[next_++];
    }
    std::string number = std::to_string(value_);
    if (number.size() > digits_) {
        *error = "the serial counter has outgrown its " + std::to_string(digits_) + " digits";
        return std::nullopt;
    }
    number.insert(0, digits_ - number.size(), '0');
    value_ += step_;
    return prefix_ + number;
}

}  // namespace zt::station

#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "job/JobOutcome.h"
#include "job/TranslatableText.h"
#include "station/operator/OperatorText.h"
#include "station/ports/KnownDeviceScan.h"
#include "station/ports/PortStatus.h"
#include "station/records/CameBack.h"

namespace zt::station {

// What a front end knows of the unit a view reports on. Fields not known
// yet stay empty.
struct UnitFacts {
    std::string port;  // as 'list' shows it; "" when unknown
    std::optional<uint16_t> vendorId, productId;
    std::optional<uint32_t> chipId;
    // The header restore's own code, when the restore after a header that
    // did not clear failed too.
    std::optional<uint32_t> restoreCode = std::nullopt;
    // A station's check after the last re-plug: none when it was not made;
    // what came back when something did.
    std::optional<bool> confirmed = std::nullopt;
    std::optional<CameBack> cameBack = std::nullopt;
    std::string serialWritten = "";  // "" when the image's own serial stayed

    // Only the port known yet.
    static UnitFacts AtPort(std::string port) {
        UnitFacts facts;
        facts.port = std::move(port);
        return facts;
    }
};

// What the operator (or a station script) sees of a command: the dialog's
// progress bar, marker and message boxes, the prompts, and the outcome. The
// job runner calls it from the user-interface thread and from the worker,
// one call at a time (it holds its own lock around every call).
class ConsoleView {
public:
    virtual ~ConsoleView() = default;
    virtual void Info(const std::string& text) = 0;
    virtual void Progress(int percent) = 0;
    virtual void Marker(const std::string& text) = 0;
    virtual void Message(const std::string& text, const std::string& caption) = 0;
    // `automatic`: answered by --yes instead of the operator's Enter.
    virtual void Prompt(const std::string& text, bool automatic) = 0;
    // The status label's text; no version when the query failed.
    virtual void Version(const std::string& status, const std::optional<std::string>& version) = 0;
    virtual void Device(const PresentDevice& device) = 0;
    virtual void Result(const JobOutcome& outcome) = 0;
    // The unit this view reports on, for views that tag their output with it.
    virtual void SetUnit(const UnitFacts& unit) { (void)unit; }
    // Where the unit on this view's port stands now (a unit's road and a
    // station's port send it; other commands never do).
    virtual void State(const PortStatus& status) { (void)status; }
    // While this job waits for its unit to come back, a known device arrived
    // on another port: the job goes on waiting for `waitingPort`.
    virtual void ArrivedElsewhere(const std::string& arrivedPort, const std::string& waitingPort) {
        Info(ArrivedElsewhereText(arrivedPort, waitingPort, OperatorText));
    }
    // In English for records and events; with `operatorText` (OperatorText)
    // in the operator's language.
    static std::string ArrivedElsewhereText(const std::string& arrivedPort, const std::string& waitingPort,
                                            std::string (*operatorText)(const char*, const char*) = nullptr) {
        const char* text = ZT_TR_NOOP(
            "Station",
            "a unit arrived on port %1; this job waits for port %2: plug it back into the same port");
        return FillIn(operatorText ? operatorText("Station", text) : text, {arrivedPort, waitingPort});
    }
};

}  // namespace zt::station

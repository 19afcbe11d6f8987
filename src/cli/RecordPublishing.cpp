#include "cli/RecordPublishing.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <ostream>

#include "cli/InterruptSignal.h"
#include "host/HostSystem.h"
#include "station/config/StationConfig.h"
#include "station/presentation/DeliveryDisplay.h"
#include "station/publish/FleetCollector.h"
#include "station/records/StationIdentity.h"

namespace zt::cli {

using namespace zt::station;

namespace {

// How long a command that has ended still tries to deliver what is left.
constexpr auto kDeliveryGrace = std::chrono::seconds(3);
// A one-off publish gives up once nothing went out for this long.
constexpr auto kPublishGivesUp = std::chrono::seconds(30);

const char* const kBrokerGroup = "Records to the factory's MQTT broker";

// A display that owns the one it shows through.
struct OwnedDisplay {
    std::unique_ptr<StationDisplay> owned;
};
class OwningDeliveryDisplay : private OwnedDisplay, public DeliveryDisplay {
public:
    OwningDeliveryDisplay(std::unique_ptr<StationDisplay> display, RecordPublisher& publisher)
        : OwnedDisplay{std::move(display)}, DeliveryDisplay(*owned, publisher), publisher_(publisher) {
        publisher_.OnUndeliveredChange([this](size_t undelivered) { UndeliveredChanged(undelivered); });
    }
    ~OwningDeliveryDisplay() override { publisher_.OnUndeliveredChange(nullptr); }

private:
    RecordPublisher& publisher_;
};

}  // namespace

void AddBrokerOptions(CLI::App* sub, BrokerOptions& options) {
    sub->add_option(
           "--mqtt", options.url,
           "also deliver every record to this MQTT broker (mqtt://HOST[:PORT], mqtts://HOST[:PORT]); "
           "the --log file is the queue: a broker that is away never holds up a unit, and what it "
           "missed goes out, in order, once it is back (docs/station-records.md)")
        ->group(kBrokerGroup);
    sub->add_option("--mqtt-prefix", options.prefix,
                    "the first topic levels: records go to PREFIX/STATION/record, the station's state to "
                    "PREFIX/STATION/state (default zt51xx-mp)")
        ->group(kBrokerGroup);
    sub->add_option("--mqtt-ca", options.caFile,
                    "mqtts://: the CA file the broker's certificate must come from")
        ->group(kBrokerGroup);
    sub->add_option("--mqtt-cert", options.certFile,
                    "mqtts://: this station's client certificate (with --mqtt-key)")
        ->group(kBrokerGroup);
    sub->add_option("--mqtt-key", options.keyFile, "mqtts://: the key of --mqtt-cert")->group(kBrokerGroup);
    sub->add_option("--mqtt-user", options.user, "the user name at the broker")->group(kBrokerGroup);
    sub->add_option("--mqtt-password-file", options.passwordFile,
                    "a file whose first line is the --mqtt-user's password (never given on the command line)")
        ->group(kBrokerGroup);
    sub->add_flag("--mqtt-insecure", options.insecure,
                  "allow plain mqtt:// to a host other than this machine: records and the password cross "
                  "the network unencrypted")
        ->group(kBrokerGroup);
}

bool StartPublishing(const DeviceOptions& options, CommandSetup& setup, CommandContext& ctx) {
    if (options.broker.url.empty()) return true;
    std::string error;
    int exitCode = kExitUsage;
    if (options.log.empty())
        error = "--mqtt needs --log FILE: records wait in that file until the broker has them";
    else
        setup.publisher = OpenRecordPublisher(
            options.broker, {options.log}, setup.identity.stationId,
            [&setup, &ctx](const std::string& line) {
                std::lock_guard lock(setup.outMutex);
                ctx.err << "zt51xx-mp: " << line << '\n' << std::flush;
            },
            &error, &exitCode);
    if (!setup.publisher) {
        ctx.err << "zt51xx-mp: " << error << '\n';
        ctx.exitCode = exitCode;
        return false;
    }
    setup.publisher->Start();
    return true;
}

PublishingEnd::~PublishingEnd() {
    if (!setup_.publisher) return;
    setup_.publisher->Stop(kDeliveryGrace);
    if (const size_t left = setup_.publisher->Undelivered(); left > 0) {
        std::lock_guard lock(setup_.outMutex);
        ctx_.err << "zt51xx-mp: records not yet delivered: " << left
                 << "; they wait in the log and go out with the next run with --mqtt, or with 'zt51xx-mp "
                    "publish'\n";
    }
}

std::unique_ptr<StationDisplay> ShowDelivery(std::unique_ptr<StationDisplay> display, CommandSetup& setup) {
    if (!setup.publisher) return display;
    return std::make_unique<OwningDeliveryDisplay>(std::move(display), *setup.publisher);
}

namespace {

struct PublishOptions {
    std::vector<std::string> logs;
    BrokerOptions broker;
    bool follow = false;
    std::optional<std::string> stationId;
    std::string configFile;
};

void RunPublish(const PublishOptions& options, CommandContext& ctx) {
    auto fail = [&](const std::string& line, int code) {
        ctx.err << "zt51xx-mp: " << line << '\n';
        ctx.exitCode = code;
    };
    std::string error;
    StationConfig config;
    if (!config.ReadFiles(options.configFile, &error)) return fail(error, kExitIoError);
    StationIdentity identity;
    if (!ResolveIdentity({options.stationId, std::nullopt, std::nullopt}, config, &identity, &error))
        return fail(error, kExitUsage);
    for (const std::string& log : options.logs)
        if (!options.follow && !IdentifyFile(log))
            return fail("cannot read the log " + log + ": no such file", kExitIoError);
    std::mutex outMutex;
    int exitCode = kExitUsage;
    const auto opened = OpenRecordPublisher(
        options.broker, options.logs, identity.stationId,
        [&](const std::string& line) {
            std::lock_guard lock(outMutex);
            ctx.err << "zt51xx-mp: " << line << '\n' << std::flush;
        },
        &error, &exitCode);
    if (!opened) return fail(error, exitCode);
    RecordPublisher& publisher = *opened;
    InterruptSignal interrupt;
    auto lastProgress = std::chrono::steady_clock::now();
    publisher.OnUndeliveredChange([&](size_t) { lastProgress = std::chrono::steady_clock::now(); });
    const bool follow = options.follow;
    const bool delivered = publisher.Run(follow, [&] {
        return InterruptSignal::Requested() ||
               (!follow && std::chrono::steady_clock::now() - lastProgress > kPublishGivesUp);
    });
    if (!follow && !delivered) {
        ctx.err << "zt51xx-mp: records not yet delivered: " << publisher.Undelivered()
                << "; they wait in the log for the next 'zt51xx-mp publish'\n";
        ctx.exitCode = InterruptSignal::Requested() ? InterruptSignal::ExitCode() : kExitIoError;
        return;
    }
    ctx.exitCode = kExitOk;
}

struct CollectOptions {
    BrokerOptions broker;
    std::string log;
    std::string clientId;
    size_t stopAfter = 0;
};

void RunCollect(const CollectOptions& options, CommandContext& ctx) {
    auto fail = [&](const std::string& line, int code) {
        ctx.err << "zt51xx-mp: " << line << '\n';
        ctx.exitCode = code;
    };
    CollectorSettings settings;
    std::string error;
    if (!ResolveBroker(options.broker, &settings.broker, &error)) return fail(error, kExitUsage);
    settings.url = options.broker.url;
    settings.prefix = options.broker.prefix;
    settings.fleetLog = options.log;
    settings.stopAfter = options.stopAfter;
    settings.subscribed = [&] {
        ctx.out << "collecting records from " << options.broker.url << " into " << options.log << '\n'
                << std::flush;
    };
    // A session the broker keeps: what arrives while the collector is away
    // waits for it there.
    settings.broker.clientId =
        options.clientId.empty() ? "zt51xx-mp-collect-" + ThisHost().Name() : options.clientId;
    settings.broker.cleanSession = false;
    std::mutex outMutex;
    FleetCollector collector(settings, [&](const std::string& line) {
        std::lock_guard lock(outMutex);
        ctx.err << "zt51xx-mp: " << line << '\n' << std::flush;
    });
    if (!collector.Open(&error)) return fail(error, kExitIoError);
    InterruptSignal interrupt;
    const bool written = collector.Run(InterruptSignal::Requested, &error);
    ctx.out << "collected " << collector.Appended() << " records into " << options.log << " ("
            << collector.Repeats() << " repeats dropped)\n";
    if (!written) return fail(error, kExitIoError);
    ctx.exitCode = kExitOk;
}

}  // namespace

void AddPublishCommands(CLI::App& app, CommandContext& ctx) {
    auto publish = std::make_shared<PublishOptions>();
    CLI::App* sub = app.add_subcommand(
        "publish",
        "Deliver the records of station logs to an MQTT broker: every record not yet acknowledged, in order, "
        "each once (a repeat after a crash carries the same recordId). The position beside each log "
        "(LOG.delivered) "
        "says how far the broker has them. With --follow it keeps going as the logs grow, as a service "
        "does.");
    sub->add_option("LOG", publish->logs, "station logs (--log files of write and station)")->required();
    sub->add_flag("--follow", publish->follow,
                  "keep delivering new records as they are appended, until stopped");
    sub->add_option(
        "--station-id", publish->stationId,
        "the station's topic level (default: station-id of the station settings, else the host name)");
    sub->add_option("--config", publish->configFile, "read station-id from this settings file");
    AddBrokerOptions(sub, publish->broker);
    sub->get_option("--mqtt")->required();
    sub->footer(
        "\nExit codes: 0 every record delivered (or --follow stopped by a signal), 2 bad command line, 4 a "
        "log "
        "could not be read, or records were left undelivered after 30 s without progress.\n"
        "\nExample:\n  zt51xx-mp publish /var/log/zt51xx-mp/records.log --follow --mqtt "
        "mqtts://broker.factory:8883 "
        "--mqtt-ca /etc/zt51xx-mp/factory-ca.pem --mqtt-user line2-st4 --mqtt-password-file "
        "/etc/zt51xx-mp/mqtt.pw\n");
    sub->callback([publish, &ctx] { RunPublish(*publish, ctx); });

    auto collect = std::make_shared<CollectOptions>();
    CLI::App* col =
        app.add_subcommand("collect",
                           "Gather every station's records from an MQTT broker into one fleet log, which the "
                           "report command reads; a record "
                           "that arrives twice (by its recordId, also across runs) is kept once.");
    col->add_option("--log", collect->log, "the fleet log to append to")->required();
    col->add_option("--client-id", collect->clientId,
                    "the session the broker keeps for this collector (default zt51xx-mp-collect-HOST)");
    col->add_option("--stop-after", collect->stopAfter, "stop once this many new records are in the log")
        ->check(CLI::Range(1, 100000000));
    AddBrokerOptions(col, collect->broker);
    col->get_option("--mqtt")->required();
    col->footer(
        "\nExit codes: 0 stopped by a signal or --stop-after, 2 bad command line, 4 the log could not be "
        "opened or written.\n");
    col->callback([collect, &ctx] { RunCollect(*collect, ctx); });
}

}  // namespace zt::cli

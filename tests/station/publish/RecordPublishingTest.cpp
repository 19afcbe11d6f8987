#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "host/HostSystem.h"
#include "support/CommandRun.h"
#include "support/MosquittoBroker.h"
#include "support/TempDir.h"

extern char** environ;

namespace zt::cli {
namespace {

using test::MosquittoBroker;
using test::RunArgs;
using ::testing::HasSubstr;
using Json = nlohmann::json;

// A consumer of the records: a session the broker keeps while it is away,
// so that it misses nothing across a broker restart; it keeps every message
// as it came, repeats included.
class Consumer {
public:
    explicit Consumer(MqttSettings settings, std::string topic = "zt51xx-mp/+/record")
        : settings_(std::move(settings)), topic_(std::move(topic)) {
        settings_.clientId = "test-consumer-" + std::to_string(std::hash<std::string>{}(topic_));
        settings_.cleanSession = false;
        thread_ = std::thread([this] { Run(); });
    }
    ~Consumer() {
        stop_ = true;
        thread_.join();
    }
    // Waits (at most a generous while) for `count` distinct records.
    std::vector<Json> WaitForDistinct(size_t count) {
        for (int i = 0; i < 600 && Distinct() < count; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        std::lock_guard lock(mutex_);
        return messages_;
    }
    // Waits (at most a generous while) for a message that `wanted` accepts.
    bool WaitFor(const std::function<bool(const Json&)>& wanted) {
        for (int i = 0; i < 600; ++i) {
            {
                std::lock_guard lock(mutex_);
                for (const Json& m : messages_)
                    if (wanted(m)) return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        // What came instead, for the failure's message.
        std::lock_guard lock(mutex_);
        for (const Json& m : messages_) std::cerr << "received on " << topic_ << ": " << m.dump() << "\n";
        return false;
    }
    bool WaitSubscribed() {
        for (int i = 0; i < 200 && !subscribed_; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return subscribed_;
    }

private:
    size_t Distinct() {
        std::lock_guard lock(mutex_);
        std::set<std::string> ids;
        for (const Json& m : messages_) ids.insert(m.value("recordId", ""));
        return ids.size();
    }
    void Run() {
        MqttClient::Handlers handlers;
        handlers.message = [this](const std::string&, const std::string& payload) {
            std::lock_guard lock(mutex_);
            messages_.push_back(Json::parse(payload));
        };
        handlers.subscribed = [this] { subscribed_ = true; };
        while (!stop_) {
            std::string error;
            auto client = OpenMqttClient(settings_, handlers, &error);
            if (!client || !client->Connect(&error)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            bool asked = false;
            while (!stop_ && client->Service(50, &error))
                if (client->Connected() && !asked) asked = client->Subscribe(topic_, 1, &error);
        }
    }

    MqttSettings settings_;
    const std::string topic_;
    std::mutex mutex_;
    std::vector<Json> messages_;
    std::atomic<bool> subscribed_{false}, stop_{false};
    std::thread thread_;
};

std::vector<std::string> Lines(const std::filesystem::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Each record of `log` arrived, each once after dropping repeats by ID, every
// port's in the order of the log, with the log line's fields and its station.
void ExpectEveryRecordOnce(const std::vector<Json>& messages, const std::vector<std::string>& log) {
    std::map<std::string, Json> byId;
    std::map<std::string, std::vector<std::string>> arrivedPerPort, loggedPerPort;
    for (const Json& message : messages) {
        const std::string id = message.at("recordId");
        if (!byId.emplace(id, message).second) continue;  // a repeat
        arrivedPerPort[message.at("port")].push_back(id);
    }
    ASSERT_EQ(byId.size(), log.size());
    for (const std::string& line : log) {
        const Json logged = Json::parse(line);
        std::string id;
        for (const auto& [key, message] : byId)
            if (message.at("start") == logged.at("start") && message.at("port") == logged.at("port"))
                id = key;
        ASSERT_FALSE(id.empty()) << "never arrived: " << line;
        Json arrived = byId.at(id);
        arrived.erase("recordId");
        EXPECT_EQ(arrived, logged);
        loggedPerPort[logged.at("port")].push_back(id);
    }
    EXPECT_EQ(arrivedPerPort, loggedPerPort);
}

// The built tool in a child process, its output in `out`.
pid_t Spawn(const std::vector<std::string>& args, const std::filesystem::path& out) {
    std::vector<std::string> all{ZT_CLI_PATH};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& arg : all) argv.push_back(arg.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = -1;
    ::posix_spawn(&pid, ZT_CLI_PATH, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class RecordPublishing : public ::testing::Test {
protected:
    void SetUp() override {
        if (!MosquittoBroker::Available())
            GTEST_SKIP() << "no " << MosquittoBroker::kBinary << " (Debian's mosquitto)";
        ::setenv("ZT_STATE_DIR", (dir_.path / "state").c_str(), 1);
    }
    void TearDown() override { ::unsetenv("ZT_STATE_DIR"); }

    MqttSettings Loopback(const MosquittoBroker& broker) {
        MqttSettings settings;
        settings.host = "127.0.0.1";
        settings.port = broker.Port();
        return settings;
    }
    std::vector<std::string> Station(const std::filesystem::path& log, const std::string& url, int results,
                                     const std::string& id) {
        return {"station",
                "--simulate",
                "--sim-clock",
                "--units",
                "8",
                "--sim-fresh",
                std::to_string(results - 8),
                "--stop-after",
                std::to_string(results),
                "--log",
                log.string(),
                "--station-id",
                id,
                "--mqtt",
                url};
    }

    test::TempDir dir_;
};

TEST_F(RecordPublishing, EveryRecordOfAStationArrivesOnceInItsPortsOrderWithTheLogsFields) {
    MosquittoBroker broker(dir_.path);
    ASSERT_TRUE(broker.Start());
    Consumer consumer(Loopback(broker));
    ASSERT_TRUE(consumer.WaitSubscribed());
    const auto log = dir_.path / "station.jsonl";
    auto args = Station(log, broker.Url(), 40, "line-4");
    args.insert(args.end(), {"--fault", "3:unplug-at=600"});
    const auto run = RunArgs(args);
    EXPECT_EQ(run.rc, kExitJobFailed) << run.err;
    EXPECT_THAT(run.err, Not(HasSubstr("not yet delivered")));
    ASSERT_EQ(Lines(log).size(), 40u);
    ExpectEveryRecordOnce(consumer.WaitForDistinct(40), Lines(log));
    // Everything acknowledged: a second publisher finds nothing to send.
    const auto again = RunArgs({"publish", log.string(), "--mqtt", broker.Url(), "--station-id", "line-4"});
    EXPECT_EQ(again.rc, kExitOk) << again.err;
    ExpectEveryRecordOnce(consumer.WaitForDistinct(40), Lines(log));
    // A single write publishes its record too, before the command ends.
    const auto single = RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--log", log.string(),
                                 "--mqtt", broker.Url(), "--station-id", "line-4"});
    EXPECT_EQ(single.rc, kExitOk) << single.err;
    ExpectEveryRecordOnce(consumer.WaitForDistinct(41), Lines(log));
}

// The broker goes away mid-run and a follower is killed while it is away:
// the station goes on writing, and once the broker is back a new follower
// delivers every record, in order.
TEST_F(RecordPublishing, ABrokerOutageAndAKilledPublisherLoseNothing) {
    MosquittoBroker broker(dir_.path);
    ASSERT_TRUE(broker.Start());
    Consumer consumer(Loopback(broker));
    ASSERT_TRUE(consumer.WaitSubscribed());
    const auto log = dir_.path / "station.jsonl";
    const std::vector<std::string> follow{"publish",    log.string(),   "--follow", "--mqtt",
                                          broker.Url(), "--station-id", "line-4"};
    const pid_t first = Spawn(follow, dir_.path / "first.out");
    auto station = Station(log, "", 16, "line-4");
    station.resize(station.size() - 2);  // the followers publish
    ASSERT_EQ(RunArgs(station).rc, kExitOk);
    ASSERT_EQ(consumer.WaitForDistinct(16).size() >= 16, true);

    broker.Stop();
    const auto during = RunArgs(station);
    EXPECT_EQ(during.rc, kExitOk) << during.err;
    ::kill(first, SIGKILL);
    Wait(first);
    const pid_t second = Spawn(follow, dir_.path / "second.out");
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // it starts while the broker is away
    ASSERT_TRUE(broker.Start());
    const auto log32 = Lines(log);
    ASSERT_EQ(log32.size(), 32u);
    ExpectEveryRecordOnce(consumer.WaitForDistinct(32), log32);
    ::kill(second, SIGTERM);
    EXPECT_EQ(Wait(second), kExitOk);
}

// The station's state is retained for whoever subscribes later, and a
// publisher that dies without a word is marked offline by its last will.
TEST_F(RecordPublishing, TheStateIsRetainedAndAKilledPublisherIsMarkedOffline) {
    MosquittoBroker broker(dir_.path);
    ASSERT_TRUE(broker.Start());
    const auto log = dir_.path / "station.jsonl";
    auto station = Station(log, broker.Url(), 8, "line-4");
    {
        Consumer counters(Loopback(broker), "zt51xx-mp/line-4/state");
        ASSERT_TRUE(counters.WaitSubscribed());
        const auto run = RunArgs(station);
        ASSERT_EQ(run.rc, kExitOk);
        EXPECT_TRUE(counters.WaitFor([](const Json& state) {
            return state.value("passed", -1) == 8 && state.value("undelivered", -1) == 0;
        })) << run.err;
    }
    {
        Consumer late(Loopback(broker), "zt51xx-mp/line-4/state");
        EXPECT_TRUE(late.WaitFor([](const Json& state) { return state.value("state", "") == "offline"; }));
    }
    Consumer watcher(Loopback(broker), "zt51xx-mp/line-4/state");
    const pid_t follower =
        Spawn({"publish", log.string(), "--follow", "--mqtt", broker.Url(), "--station-id", "line-4"},
              dir_.path / "follow.out");
    ASSERT_TRUE(watcher.WaitFor([](const Json& state) { return state.value("state", "") == "online"; }));
    ::kill(follower, SIGKILL);
    Wait(follower);
    EXPECT_TRUE(watcher.WaitFor([](const Json& state) {
        return state.value("state", "") == "offline" && !state.contains("passed");  // the will
    }));
}

// Keys made by the test: an authority, the broker's certificate for this
// machine signed by it, and another authority that signed nothing of ours.
void MakeCertificates(const std::filesystem::path& dir) {
    const std::string d = dir.string();
    const std::string script =
        "cd " + d +
        " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
        "/CN=test-ca "
        "-keyout ca.key -out ca.pem"
        " && openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2 -subj "
        "/CN=other-ca "
        "-keyout other.key -out other.pem"
        " && openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj /CN=localhost "
        "-keyout server.key -out server.csr"
        " && printf 'subjectAltName=DNS:localhost,IP:127.0.0.1\\n' > san.ext"
        " && openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile "
        "san.ext "
        "-out server.pem"
        " && mosquitto_passwd -b -c passwd line-4 's3cret' && printf 's3cret\\n' > line-4.pw && chmod 600 "
        "*.key";
    ASSERT_EQ(std::system(("(" + script + ") >/dev/null 2>&1").c_str()), 0);
}

TEST_F(RecordPublishing, TlsWithAPasswordDeliversAndAWrongAuthorityIsRefusedInOneLine) {
    MakeCertificates(dir_.path);
    const std::string d = dir_.path.string();
    MosquittoBroker broker(dir_.path, "cafile " + d + "/ca.pem\ncertfile " + d + "/server.pem\nkeyfile " + d +
                                          "/server.key\nallow_anonymous false\npassword_file " + d +
                                          "/passwd\n");
    ASSERT_TRUE(broker.Start());
    MqttSettings settings = Loopback(broker);
    settings.host = "localhost";
    settings.tls = true;
    settings.caFile = d + "/ca.pem";
    settings.user = "line-4";
    settings.password = "s3cret";
    Consumer consumer(settings);
    ASSERT_TRUE(consumer.WaitSubscribed());

    const auto log = dir_.path / "station.jsonl";
    auto args = Station(log, broker.Url("mqtts", "localhost"), 8, "line-4");
    args.insert(args.end(), {"--mqtt-ca", d + "/ca.pem", "--mqtt-user", "line-4", "--mqtt-password-file",
                             d + "/line-4.pw"});
    const auto trusted = RunArgs(args);
    EXPECT_EQ(trusted.rc, kExitOk) << trusted.err;
    ExpectEveryRecordOnce(consumer.WaitForDistinct(8), Lines(log));

    // The wrong authority: one line says why, every unit is written, and the
    // records wait in the log.
    const auto otherLog = dir_.path / "other.jsonl";
    args = Station(otherLog, broker.Url("mqtts", "localhost"), 8, "line-5");
    args.insert(args.end(), {"--mqtt-ca", d + "/other.pem", "--mqtt-user", "line-4", "--mqtt-password-file",
                             d + "/line-4.pw"});
    const auto refused = RunArgs(args);
    EXPECT_EQ(refused.rc, kExitOk) << refused.err;
    EXPECT_EQ(Lines(otherLog).size(), 8u);
    const auto lines = refused.ErrLines();
    ASSERT_EQ(lines.size(), 2u) << refused.err;
    EXPECT_THAT(lines[0], HasSubstr("certificate verify failed"));
    EXPECT_THAT(lines[1], HasSubstr("records not yet delivered: 8"));
    EXPECT_THAT(refused.out, HasSubstr("records not yet delivered:"));
    EXPECT_FALSE(std::filesystem::exists(otherLog.string() + ".delivered"));
    // Plain TCP with the password to a broker elsewhere is refused outright.
    const auto plain = RunArgs({"write", "--simulate", "--sim-clock", "--yes", "--log", log.string(),
                                "--mqtt", "mqtt://broker.factory.example", "--mqtt-user", "line-4",
                                "--mqtt-password-file", d + "/line-4.pw"});
    EXPECT_EQ(plain.rc, kExitUsage);
    EXPECT_THAT(plain.err, HasSubstr("unencrypted"));
}

TEST_F(RecordPublishing, CollectGathersTwoStationsIntoOneLogThatReportsTheirSums) {
    MosquittoBroker broker(dir_.path);
    ASSERT_TRUE(broker.Start());
    const auto fleet = dir_.path / "fleet.jsonl";
    const pid_t collector =
        Spawn({"collect", "--mqtt", broker.Url(), "--log", fleet.string(), "--stop-after", "28"},
              dir_.path / "collect.out");
    for (int i = 0; i < 400; ++i) {
        if (Lines(dir_.path / "collect.out").size() > 0) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_THAT(Lines(dir_.path / "collect.out"), ::testing::Contains(HasSubstr("collecting records from")));
    const auto logA = dir_.path / "a.jsonl", logB = dir_.path / "b.jsonl";
    auto a = Station(logA, broker.Url(), 16, "line-a");
    a.insert(a.end(), {"--fault", "2:unplug-at=600"});
    EXPECT_EQ(RunArgs(a).rc, kExitJobFailed);
    EXPECT_EQ(RunArgs(Station(logB, broker.Url(), 12, "line-b")).rc, kExitOk);
    // Station a's records once more, as after a crash before its position was saved.
    std::filesystem::remove(logA.string() + ".delivered");
    EXPECT_EQ(RunArgs({"publish", logA.string(), "--mqtt", broker.Url(), "--station-id", "line-a"}).rc,
              kExitOk);
    EXPECT_EQ(Wait(collector), kExitOk);
    EXPECT_EQ(Lines(fleet).size(), 28u);

    auto figures = [](const std::vector<std::string>& logs) {
        std::vector<std::string> args{"report", "--json"};
        args.insert(args.end(), logs.begin(), logs.end());
        const auto run = RunArgs(args);
        EXPECT_EQ(run.rc, kExitOk) << run.err;
        return Json::parse(run.out);
    };
    const Json fleetFigures = figures({fleet.string()});
    const Json ownFigures = figures({logA.string(), logB.string()});
    EXPECT_EQ(fleetFigures["records"], 28);
    EXPECT_EQ(fleetFigures["yield"], ownFigures["yield"]);
    EXPECT_EQ(fleetFigures["failureCodes"], ownFigures["failureCodes"]);
}

}  // namespace
}  // namespace zt::cli

#pragma once
#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

extern char** environ;

namespace zt::test {

// Debian's MQTT broker, run by a test on a free loopback port with a
// configuration of the test's own in `folder`; stopped and started again at
// will, on the same port, keeping its sessions (persistence) across.
class MosquittoBroker {
public:
    static constexpr const char* kBinary = "/usr/sbin/mosquitto";
    static bool Available() { return ::access(kBinary, X_OK) == 0; }

    // `extra`: more lines of configuration for the listener (TLS, passwords).
    MosquittoBroker(std::filesystem::path folder, const std::string& extra = "")
        : folder_(std::move(folder)), port_(FreePort()) {
        // Run as root, the broker would become the user "mosquitto", who may
        // not write the test's folder.
        const passwd* user = ::getpwuid(::getuid());
        std::ofstream(folder_ / "mosquitto.conf")
            << "user " << (user ? user->pw_name : "root") << "\nlistener " << port_ << " 127.0.0.1\n"
            << (extra.empty() ? "allow_anonymous true\n" : extra) << "persistence true\npersistence_location "
            << folder_.string() << "/\nlog_dest file " << (folder_ / "mosquitto.log").string()
            << "\nmax_queued_messages 100000\n";
    }
    ~MosquittoBroker() { Stop(); }

    int Port() const { return port_; }
    std::string Url(const std::string& scheme = "mqtt", const std::string& host = "127.0.0.1") const {
        return scheme + "://" + host + ":" + std::to_string(port_);
    }

    // True once it listens.
    bool Start() {
        const std::string conf = (folder_ / "mosquitto.conf").string();
        const char* argv[] = {kBinary, "-c", conf.c_str(), nullptr};
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_adddup2(&quiet, 1, 2);
        const int spawned =
            ::posix_spawn(&pid_, kBinary, &quiet, nullptr, const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&quiet);
        if (spawned != 0) return false;
        for (int i = 0; i < 200; ++i) {
            if (Listening()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }
    void Stop() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
    }

private:
    static int FreePort() {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
        ::close(fd);
        return ntohs(address.sin_port);
    }
    bool Listening() const {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port_));
        const bool up = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        ::close(fd);
        return up;
    }

    std::filesystem::path folder_;
    int port_;
    pid_t pid_ = -1;
};

}  // namespace zt::test

#include "station/publish/BrokerOptions.h"

#include <algorithm>
#include <cctype>

#include "host/HostSystem.h"

namespace zt::station {

bool IsLoopbackHost(const std::string& host) {
    std::string name = host;
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
    if (name == "localhost" || name == "::1" || name == "0:0:0:0:0:0:0:1") return true;
    // 127.x.y.z, written out in full.
    if (name.rfind("127.", 0) != 0) return false;
    int parts = 1;
    size_t digits = 0;
    for (size_t i = 4; i < name.size(); ++i) {
        if (name[i] == '.') {
            if (digits == 0) return false;
            ++parts;
            digits = 0;
        } else if (std::isdigit(static_cast<unsigned char>(name[i])) && ++digits <= 3) {
            continue;
        } else {
            return false;
        }
    }
    return parts == 3 && digits > 0;
}

bool CheckTopicLevel(const std::string& what, const std::string& name, std::string* error) {
    if (!name.empty() && name.find_first_of("/+#") == std::string::npos) return true;
    *error = what + " '" + name + "' cannot name an MQTT topic level: give it without '/', '+' and '#'";
    return false;
}

namespace {

bool ParseUrl(const std::string& url, MqttSettings* settings, std::string* error) {
    auto refuse = [&](const std::string& why) {
        *error = "--mqtt '" + url + "': " + why;
        return false;
    };
    std::string rest;
    if (url.rfind("mqtt://", 0) == 0) {
        rest = url.substr(7);
        settings->tls = false;
    } else if (url.rfind("mqtts://", 0) == 0) {
        rest = url.substr(8);
        settings->tls = true;
    } else {
        return refuse("give mqtt://HOST[:PORT] or mqtts://HOST[:PORT]");
    }
    if (rest.find('@') != std::string::npos)
        return refuse(
            "give the user with --mqtt-user and the password in --mqtt-password-file, not in the URL");
    if (!rest.empty() && rest.back() == '/') rest.pop_back();
    if (rest.find('/') != std::string::npos) return refuse("a broker's URL has no path");
    std::string port;
    if (!rest.empty() && rest.front() == '[') {
        const size_t close = rest.find(']');
        if (close == std::string::npos) return refuse("an IPv6 address needs its closing ']'");
        settings->host = rest.substr(1, close - 1);
        if (close + 1 < rest.size()) {
            if (rest[close + 1] != ':') return refuse("expected ':PORT' after the address");
            port = rest.substr(close + 2);
        }
    } else {
        const size_t colon = rest.find(':');
        settings->host = rest.substr(0, colon);
        if (colon != std::string::npos) port = rest.substr(colon + 1);
    }
    if (settings->host.empty()) return refuse("no host");
    settings->port = settings->tls ? 8883 : 1883;
    if (!port.empty() || rest.find(':') != std::string::npos) {
        const bool digits =
            !port.empty() && port.size() <= 5 &&
            std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); });
        const int number = digits ? std::stoi(port) : 0;
        if (number < 1 || number > 65535) return refuse("the port must be 1 to 65535");
        settings->port = number;
    }
    return true;
}

}  // namespace

bool ResolveBroker(const BrokerOptions& options, MqttSettings* settings, std::string* error) {
    if (!ParseUrl(options.url, settings, error)) return false;
    if (!settings->tls && !options.insecure && !IsLoopbackHost(settings->host)) {
        *error = "--mqtt " + options.url +
                 ": records and passwords would cross the network unencrypted; use mqtts:// with --mqtt-ca, "
                 "or --mqtt-insecure on a network that is safe without it";
        return false;
    }
    if (settings->tls && options.caFile.empty()) {
        *error = "--mqtt " + options.url +
                 ": mqtts:// needs --mqtt-ca FILE, the authority the broker's "
                 "certificate is checked against";
        return false;
    }
    if (!settings->tls && !(options.caFile.empty() && options.certFile.empty() && options.keyFile.empty())) {
        *error = "--mqtt-ca, --mqtt-cert and --mqtt-key are for mqtts:// brokers";
        return false;
    }
    if (options.certFile.empty() != options.keyFile.empty()) {
        *error = "--mqtt-cert and --mqtt-key go together: the client's certificate and its key";
        return false;
    }
    if (!options.passwordFile.empty() && options.user.empty()) {
        *error = "--mqtt-password-file needs --mqtt-user";
        return false;
    }
    std::string prefixError;
    for (size_t start = 0; start <= options.prefix.size();) {
        const size_t slash = std::min(options.prefix.find('/', start), options.prefix.size());
        if (!CheckTopicLevel("--mqtt-prefix", options.prefix.substr(start, slash - start), &prefixError)) {
            *error = prefixError;
            return false;
        }
        start = slash + 1;
    }
    settings->caFile = options.caFile;
    settings->certFile = options.certFile;
    settings->keyFile = options.keyFile;
    settings->user = options.user;
    settings->password.clear();
    if (!options.passwordFile.empty()) {
        const RegularFileContents file = ReadRegularFile(options.passwordFile, 4096);
        if (file.outcome != RegularFileContents::Outcome::Read) {
            *error =
                "cannot read the password file " + options.passwordFile + ": " +
                (file.outcome == RegularFileContents::Outcome::TooLarge ? "it is too large" : file.reason);
            return false;
        }
        std::string password(file.bytes.begin(), file.bytes.end());
        password = password.substr(0, password.find('\n'));
        if (!password.empty() && password.back() == '\r') password.pop_back();
        if (password.empty()) {
            *error = "the password file " + options.passwordFile + " holds no password on its first line";
            return false;
        }
        settings->password = password;
    }
    return true;
}

}  // namespace zt::station

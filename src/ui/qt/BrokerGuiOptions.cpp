#include "ui/qt/BrokerGuiOptions.h"

namespace zt::qt {

QList<QCommandLineOption> BrokerOptionList() {
    return {
        {QStringLiteral("mqtt"),
         QStringLiteral("Also deliver every record of the --log FILE to this MQTT broker (mqtt://HOST[:PORT] "
                        "or mqtts://HOST[:PORT]); a broker that is away holds up no unit."),
         QStringLiteral("URL")},
        {QStringLiteral("mqtt-prefix"), QStringLiteral("First topic levels (default zt51xx-mp)."),
         QStringLiteral("PREFIX"), QStringLiteral("zt51xx-mp")},
        {QStringLiteral("mqtt-ca"),
         QStringLiteral("mqtts://: the CA the broker's certificate must come from."), QStringLiteral("FILE")},
        {QStringLiteral("mqtt-cert"), QStringLiteral("mqtts://: this station's certificate."),
         QStringLiteral("FILE")},
        {QStringLiteral("mqtt-key"), QStringLiteral("mqtts://: the key of --mqtt-cert."),
         QStringLiteral("FILE")},
        {QStringLiteral("mqtt-user"), QStringLiteral("The user at the broker."), QStringLiteral("NAME")},
        {QStringLiteral("mqtt-password-file"),
         QStringLiteral("A file whose first line is the user's password."), QStringLiteral("FILE")},
        {QStringLiteral("mqtt-insecure"),
         QStringLiteral(
             "Allow plain mqtt:// to another host: records and password cross the network unencrypted.")},
    };
}

station::BrokerOptions ReadBrokerOptions(const QCommandLineParser& parser) {
    auto value = [&](const char* name) { return parser.value(QString::fromLatin1(name)).toStdString(); };
    station::BrokerOptions options;
    options.url = value("mqtt");
    options.prefix = value("mqtt-prefix");
    options.caFile = value("mqtt-ca");
    options.certFile = value("mqtt-cert");
    options.keyFile = value("mqtt-key");
    options.user = value("mqtt-user");
    options.passwordFile = value("mqtt-password-file");
    options.insecure = parser.isSet(QStringLiteral("mqtt-insecure"));
    return options;
}

}  // namespace zt::qt

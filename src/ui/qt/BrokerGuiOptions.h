#pragma once
#include <QCommandLineParser>

#include "station/publish/BrokerOptions.h"

namespace zt::qt {

// --mqtt URL and its companions, as the command line has them
// (docs/station-records.md): the records also go to the factory's broker.
QList<QCommandLineOption> BrokerOptionList();
station::BrokerOptions ReadBrokerOptions(const QCommandLineParser& parser);

}  // namespace zt::qt

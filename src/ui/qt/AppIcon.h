#pragma once
#include <QIcon>

namespace zt::qt {

// The tool's icon: a chip with "ZT" on it, drawn at the sizes title bars and
// task bars ask for.
QIcon AppIcon();

}  // namespace zt::qt

#pragma once
#include <QIcon>

namespace quorbit::gui {

/// The program's icon: an EPROM with its quartz erasing window, drawn at run time.
QIcon AppIcon();

} // namespace quorbit::gui

#pragma once
// The program's icon: the main window, every dialog and the tray show it.
// Drawn as data/icons/lettrica.svg and built in as PNGs of the sizes
// desktops ask for, so no SVG support is needed at run time.

#include <QIcon>

namespace lettrica::app {

QIcon applicationIcon();

}  // namespace lettrica::app

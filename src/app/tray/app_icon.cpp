#include "app/tray/app_icon.h"

namespace lettrica::app {

QIcon applicationIcon() {
    // Files are read only when a size is first drawn; not kept in a static,
    // which would outlive the application object.
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/lettrica-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace lettrica::app

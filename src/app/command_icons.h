#pragma once
// One small image per command. The desktop's icon theme is used where it has
// the icon; otherwise a drawn one, so the tool bar never falls back to text.

#include <QIcon>
#include <QString>

namespace lettrica::app {

// `themeName`: a freedesktop icon name; `command`: the command's objectName.
QIcon commandIcon(const QString& themeName, const QString& command);

}  // namespace lettrica::app

#pragma once
// Every command of the main window, created in one place: its objectName,
// caption, hint (status tip, always starting with a space), shortcut and
// initial state. Menus, tool bar and pop-up menus are assembled from these
// names, so a command keeps one caption, hint, shortcut and enabled state
// everywhere.

#include <QHash>
#include <QList>
#include <QString>

class QAction;
class QObject;

namespace lettrica::app {

class CommandTable {
public:
    explicit CommandTable(QObject* owner);

    QAction* get(const QString& name) const;
    const QList<QAction*>& all() const { return ordered_; }

private:
    QHash<QString, QAction*> byName_;
    QList<QAction*> ordered_;
};

}  // namespace lettrica::app

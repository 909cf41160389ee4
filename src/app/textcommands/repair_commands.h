#pragma once
// "Исправить кодировку" and "Исправить раскладку": the source pane repaired
// into the result pane, paragraph by paragraph, through the conversion frame
// (progress window, "Отмена", formats kept). A paragraph that is right
// stays as it is; when none needs a repair the result pane is not touched.
// The repair judges each paragraph as a whole, which a step of the
// converter contract cannot (it sees three characters ahead): it is a
// converter that names, for each paragraph, the steps that repair it.
// The status bar says what was found and how many paragraphs changed.

#include <QObject>
#include <QString>

#include "app/window/panes.h"
#include "repair/verdict.h"

namespace lettrica::repair {
struct RepairTally;
}

namespace lettrica::app {

class CommandTable;
class LongCommandRunner;
class StatusReport;

class RepairCommands : public QObject {
    Q_OBJECT
public:
    RepairCommands(const CommandTable& commands, Panes panes, LongCommandRunner& runner, StatusReport& report,
                   QObject* parent);

    // The status bar's words for what a run found, in Russian:
    // "UTF-8, прочитанный как Windows-1251: исправлено 12 абзацев из 40".
    static QString summary(repair::RepairKind kind, const repair::RepairTally& tally);

public slots:
    void fixEncoding();
    void fixLayout();

private:
    void run(repair::RepairKind kind, const QString& caption);

    const CommandTable& commands_;
    Panes panes_;
    LongCommandRunner& runner_;
    StatusReport& report_;
};

}  // namespace lettrica::app

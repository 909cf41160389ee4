#include "app/textcommands/repair_commands.h"

#include <QAction>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/u16_text.h"
#include "app/window/status_report.h"
#include "repair/repair_converter.h"

namespace lettrica::app {

namespace {

QString charset(repair::Charset c) { return QString::fromLatin1(repair::charsetName(c)); }

// "UTF-8, прочитанный как Windows-1251", "Русский текст, набранный в
// английской раскладке".
QString describe(const repair::Verdict& v) {
    switch (v.slip) {
    case repair::LayoutSlip::UsForRussian: return QString::fromUtf8("Русский текст, набранный в английской раскладке");
    case repair::LayoutSlip::RussianForUs: return QString::fromUtf8("Английский текст, набранный в русской раскладке");
    case repair::LayoutSlip::None: break;
    }
    const repair::Misreading first = v.chain.steps[0], then = v.chain.steps[1];
    if (v.chain.length == 2 && first == then)
        return QString::fromUtf8("%1, дважды прочитанный как %2").arg(charset(first.written), charset(first.read));
    QString text = QString::fromUtf8("%1, прочитанный как %2").arg(charset(first.written), charset(first.read));
    if (v.chain.length == 2)
        text += QString::fromUtf8(", затем %1, прочитанный как %2").arg(charset(then.written), charset(then.read));
    return text;
}

// "исправлен 1 абзац", "исправлено 3 абзаца", "исправлено 12 абзацев".
QString repairedCount(std::size_t n) {
    const std::size_t tens = n % 100, ones = n % 10;
    if (ones == 1 && tens != 11) return QString::fromUtf8("исправлен %1 абзац").arg(n);
    if (ones >= 2 && ones <= 4 && (tens < 12 || tens > 14)) return QString::fromUtf8("исправлено %1 абзаца").arg(n);
    return QString::fromUtf8("исправлено %1 абзацев").arg(n);
}

// Whether any paragraph of the document needs a repair: a quick look that
// stops at the first one, so that the result pane is not rebuilt when there
// is nothing to do. Right text is judged at tens of megabytes a second.
bool anythingToRepair(const QTextDocument& document, repair::RepairKind kind) {
    repair::EncodingJudge encoding;
    repair::LayoutJudge layout;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QString text = block.text();
        if (repair::judgeParagraph(kind, viewU16(text), encoding, layout).repaired) return true;
    }
    return false;
}

}  // namespace

RepairCommands::RepairCommands(const CommandTable& commands, Panes panes, LongCommandRunner& runner,
                               StatusReport& report, QObject* parent)
    : QObject(parent), commands_(commands), panes_(panes), runner_(runner), report_(report) {
    setObjectName(QStringLiteral("RepairCommands"));
    connect(commands[Command::FixEncoding], &QAction::triggered, this, &RepairCommands::fixEncoding);
    connect(commands[Command::FixLayout], &QAction::triggered, this, &RepairCommands::fixLayout);
}

QString RepairCommands::summary(repair::RepairKind kind, const repair::RepairTally& tally) {
    const repair::Verdict* found = tally.commonest();
    if (!found)
        return kind == repair::RepairKind::Encoding
                   ? QString::fromUtf8("Текст в неверной кодировке не найден: ничего не изменено")
                   : QString::fromUtf8("Текст в неверной раскладке не найден: ничего не изменено");
    QString what = describe(*found);
    if (tally.found.size() > 1) what += QString::fromUtf8(" и другое");
    return QString::fromUtf8("%1: %2 из %3").arg(what, repairedCount(tally.repaired)).arg(tally.paragraphs);
}

void RepairCommands::fixEncoding() { run(repair::RepairKind::Encoding, commands_[Command::FixEncoding]->text()); }

void RepairCommands::fixLayout() { run(repair::RepairKind::Layout, commands_[Command::FixLayout]->text()); }

void RepairCommands::run(repair::RepairKind kind, const QString& caption) {
    if (runner_.isBusy()) return;
    repair::RepairTally tally;
    // Nothing found, nothing changed: the result pane keeps what it had.
    if (anythingToRepair(*panes_.source->document(), kind)) {
        const repair::RepairConverter converter(kind, tally);
        panes_.result->clear();
        // After "Отмена" the result pane shows the repaired beginning and
        // the rest as it was, as after any long command.
        runner_.convert(*panes_.source->document(), panes_.result, converter,
                        {caption, QString::fromUtf8("Исправление прервано пользователем.")});
    }
    report_.show(summary(kind, tally));
}

}  // namespace lettrica::app

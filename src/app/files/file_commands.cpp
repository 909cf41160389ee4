#include "app/files/file_commands.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QTextEdit>
#include <new>

#include "app/command_table.h"
#include "app/conversion/long_command_runner.h"
#include "app/document/pane_documents.h"
#include "app/document/pane_layout.h"
#include "app/files/file_filters.h"
#include "app/files/pane_files.h"
#include "app/message_boxes.h"
#include "app/settings_store.h"
#include "app/window/default_attributes.h"
#include "app/window/status_report.h"

namespace lettrica::app {

namespace {

QString shortName(const QString& path) { return QFileInfo(path).fileName(); }

void showError(const QString& text) { showMessage(QMessageBox::Critical, QStringLiteral("Ошибка"), text); }

// Names a character so that the user can find it: itself where it shows,
// and always its code.
QString describeCharacter(char32_t c) {
    const QString code = QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
    const bool shows = QChar::isPrint(c) && !QChar::isMark(c) && !QChar::isSpace(c);
    return shows ? QStringLiteral("«%1» (%2)").arg(QString::fromUcs4(&c, 1), code) : code;
}

// 33554432 as "33 554 432".
QString groupedNumber(std::size_t n) {
    QString digits = QString::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3) digits.insert(i, QChar(0x00A0));
    return digits;
}

// Why a file did not open: the command's own sentence, then the cause.
QString openFailure(const QString& name, const OpenResult& result) {
    using Status = OpenResult::Status;
    const QString first = QStringLiteral("Произошла ошибка при открытии файла \"%1\".").arg(name);
    switch (result.status) {
    case Status::TooLarge:
        return QStringLiteral("Файл \"%1\" слишком велик для окна: в нём больше %2.\n"
                              "Такие файлы обрабатывает lettrica-cli, например: lettrica-cli to-latin -o результат %3")
            .arg(name,
                 result.tooManyParagraphs ? groupedNumber(kMaxOpenParagraphs) + QStringLiteral(" абзацев")
                                          : groupedNumber(kMaxOpenCharacters) + QStringLiteral(" символов"),
                 name);
    case Status::OutOfMemory:
        return first + QStringLiteral("\nНе хватило памяти.");
    case Status::NotRegular:
        return first + QStringLiteral("\nЭто не обычный файл (%1).").arg(QString::fromStdString(result.reason));
    case Status::Damaged:
        return first + QStringLiteral("\nДокумент RTF повреждён: %1.").arg(QString::fromStdString(result.reason));
    case Status::Unreadable:
        return first + QStringLiteral("\nФайл не удаётся прочитать (%1).").arg(QString::fromStdString(result.reason));
    case Status::Opened:
    case Status::Cancelled:
        break;
    }
    return first;
}

// What an opened RTF document held that the pane shows otherwise or not at
// all, for the status bar; empty when nothing.
QString leftOut(const docio::RtfReadReport& report) {
    QStringList parts;
    if (report.notes > 0)
        parts << QStringLiteral("сноски и примечания (%1) перенесены в конец текста").arg(report.notes);
    if (report.headersOrFooters) parts << QStringLiteral("колонтитулы не показаны");
    if (report.picturesLeftOut > 0)
        parts << QStringLiteral("рисунки в форматах, кроме PNG и JPEG, не показаны (%1)").arg(report.picturesLeftOut);
    if (report.objectsLeftOut > 0) parts << QStringLiteral("объекты и фигуры не показаны (%1)").arg(report.objectsLeftOut);
    return parts.join(QStringLiteral("; "));
}

// A pace that moves the bar, lets the event loop run between slices and
// stops at "Отмена".
Pace pacing(LongCommandRunner::SlicedWork& work) {
    return [&work](std::size_t done, std::size_t total) {
        return work.keepGoing(static_cast<qint64>(done), static_cast<qint64>(total));
    };
}

}  // namespace

FileCommands::FileCommands(const CommandTable& commands, Panes panes, LongCommandRunner& runner,
                           SettingsStore& settings, StatusReport& report, QWidget* window)
    : QObject(window), panes_(panes), runner_(runner), settings_(settings), report_(report), window_(window) {
    setObjectName(QStringLiteral("FileCommands"));
    connect(commands[Command::Open], &QAction::triggered, this, &FileCommands::openFile);
    connect(commands[Command::Save], &QAction::triggered, this, &FileCommands::saveFile);
}

std::optional<FileCommands::Choice> FileCommands::choose(bool save, int heldIndex) {
    QFileDialog dialog(window_);
    dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // a missing file is the command's to report
    const QStringList filters = fileFilterTexts();
    dialog.setNameFilters(filters);
    // A stored index outside the list shows the first filter.
    dialog.selectNameFilter(filters.value(heldIndex - 1, filters.first()));
    QString& last = save ? saveName_ : openName_;
    if (!last.isEmpty()) dialog.selectFile(last);
    const int answer = dialog.exec();
    // Return typed while the name's completion list shows closes the dialog
    // but not the list, which would stay over the window and take its keys.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        if (completer->popup()) completer->popup()->hide();
    if (answer != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;

    Choice choice;
    choice.index = std::max<int>(1, static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1);
    choice.filter = fileFilterAt(choice.index);
    choice.pane = choice.filter.pane == PaneChoice::Result ? panes_.result : panes_.source;
    choice.path = forceExtension(dialog.selectedFiles().first(), choice.filter.kind);
    last = choice.path;  // the forced name is the one offered next time
    return choice;
}

void FileCommands::openFile() {
    if (runner_.isBusy()) return;
    const std::optional<Choice> chosen = choose(false, settings_.openFilter());
    if (!chosen) return;
    settings_.setOpenFilter(chosen->index);
    if (!QFileInfo::exists(chosen->path)) {
        // The target's attributes are reset before the file is looked at.
        applyDefaultAttributes(chosen->pane);
        showError(QStringLiteral("Указанный Вами файл \"%1\" на диске не существует.").arg(shortName(chosen->path)));
        return;
    }
    loadFile(chosen->pane, chosen->path);
}

bool FileCommands::loadFile(QTextEdit* pane, const QString& path) {
    using Status = OpenResult::Status;
    if (runner_.isBusy()) return false;
    // The pane's old text is replaced whole: its attributes are reset (which
    // would be a long edit of a large text) only when it stays.
    QTextDocument* document = newPaneDocument(pane);
    QTextDocument* previous = nullptr;
    OpenResult opened;
    {
        LongCommandRunner::SlicedWork work(runner_);
        const Pace pace = pacing(work);
        try {
            opened = readDocumentFile(path, *document, defaultCharFormat(), partOf(pace, 0, 0.5));
            if (opened.status == Status::Opened) {
                // Shown, and laid out before the window is the user's again.
                const QTextCursor before = pane->textCursor();
                previous = swapIntoPane(pane, document);
                if (!layOutToTheEnd(pane, partOf(pace, 0.5, 1))) {
                    swapIntoPane(pane, previous);
                    pane->setTextCursor(before);
                    previous = nullptr;
                    opened.status = Status::Cancelled;
                }
            }
        } catch (const std::bad_alloc&) {
            opened.status = Status::OutOfMemory;
        }
    }
    if (opened.status != Status::Opened) {
        if (pane->document() == document) swapIntoPane(pane, previous);
        disposeOfDocument(document);
        if (opened.status == Status::Cancelled) return false;
        applyDefaultAttributes(pane);
        showError(openFailure(shortName(path), opened));
        return false;
    }
    if (previous) disposeOfDocument(previous);
    pane->setCurrentCharFormat(defaultCharFormat());
    if (const QString left = leftOut(opened.report); !left.isEmpty())
        report_.show(QStringLiteral("В файле \"%1\" %2.").arg(shortName(path), left));
    return true;
}

bool FileCommands::loadAtStart(const QString& path) { return loadFile(panes_.source, path); }

void FileCommands::saveFile() {
    if (runner_.isBusy()) return;
    const std::optional<Choice> chosen = choose(true, settings_.saveFilter());
    if (!chosen) return;
    settings_.setSaveFilter(chosen->index);
    const QString question = QStringLiteral("Файл \"%1\" на диске уже существует.\nПерезаписать его?");
    if (QFileInfo::exists(chosen->path) && !confirm(question.arg(shortName(chosen->path)))) return;
    savePane(chosen->pane, chosen->filter.kind == FileKind::Rtf, chosen->path);
}

void FileCommands::savePane(QTextEdit* pane, bool rtf, const QString& path) {
    std::string error;
    try {
        LongCommandRunner::SlicedWork work(runner_);
        error = writePane(pane, rtf, path, pacing(work));
    } catch (const std::bad_alloc&) {
        showError(QStringLiteral("Произошла ошибка при сохранении информации в файл \"%1\".\n"
                                 "Не хватило памяти; файл не изменён.").arg(shortName(path)));
        return;
    }
    if (error == kDeclined || error == TextFileWriting::kStopped) return;
    if (!error.empty())
        showError(QStringLiteral("Произошла ошибка при сохранении информации в файл \"%1\".").arg(shortName(path)));
}

std::string FileCommands::writePane(QTextEdit* pane, bool rtf, const QString& path, const Pace& pace) {
    // What the window saves, it opens: a text beyond that is saved only when
    // the user knows.
    auto overLimits = [&path] {
        return !confirm(QStringLiteral("Текст длиннее, чем окно открывает (%1 символов или %2 абзацев): файл \"%3\" "
                                       "откроет только lettrica-cli.\nСохранить его?")
                            .arg(groupedNumber(kMaxOpenCharacters), groupedNumber(kMaxOpenParagraphs), shortName(path)));
    };
    if (rtf) {
        if (!fitsOpenLimits(*pane->document()) && overLimits()) return kDeclined;
        return writeRtfFile(path, *pane->document(), pace);
    }
    TextFileWriting text(*pane->document(), path, pace);
    if (!text.ready()) return TextFileWriting::kStopped;
    if (!text.fitsOpenLimits() && overLimits()) return kDeclined;
    TextFileEncoding encoding = TextFileEncoding::Cp1251;
    if (const std::optional<char32_t> c = text.firstCharacterOutsideCp1251()) {
        // Never a "?" in its place: UTF-8 holds it, or nothing is written.
        if (!confirm(QStringLiteral("Символ %1 нельзя записать в кодировке Windows-1251.\n"
                                    "Сохранить текст в кодировке UTF-8?")
                         .arg(describeCharacter(*c))))
            return kDeclined;
        encoding = TextFileEncoding::Utf8;
    }
    return text.write(encoding);
}

}  // namespace lettrica::app

#include "app/files/file_commands.h"

#include <QAbstractItemView>
#include <QAction>
#include <QCompleter>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QTextEdit>

#include "app/files/file_filters.h"
#include "app/files/pane_files.h"
#include "app/main_window.h"
#include "app/settings_store.h"

namespace lettrica::app {

namespace {

QString shortName(const QString& path) { return QFileInfo(path).fileName(); }

void showError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Ошибка"), text, QMessageBox::Ok);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

// The yes/no question of the program: "Confirm", "&Yes" and "&No".
bool confirm(const QString& text) {
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), text);
    box.setObjectName(QStringLiteral("Confirm"));
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

// Names a character so that the user can find it: itself where it shows,
// and always its code.
QString describeCharacter(char32_t c) {
    const QString code = QStringLiteral("U+%1").arg(static_cast<uint>(c), 4, 16, QLatin1Char('0')).toUpper();
    const bool shows = QChar::isPrint(c) && !QChar::isMark(c) && !QChar::isSpace(c);
    return shows ? QStringLiteral("«%1» (%2)").arg(QString::fromUcs4(&c, 1), code) : code;
}

QFileDialog* makeDialog(QWidget* parent, const char* name, QFileDialog::AcceptMode mode) {
    auto* dialog = new QFileDialog(parent);
    dialog->setObjectName(QString::fromLatin1(name));
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(QFileDialog::AnyFile);  // a missing file is the command's to report
    dialog->setNameFilters(fileFilterTexts());
    return dialog;
}

}  // namespace

FileCommands::FileCommands(MainWindow* window)
    : QObject(window),
      window_(window),
      open_(makeDialog(window, "OpenDialog1", QFileDialog::AcceptOpen)),
      save_(makeDialog(window, "SaveDialog1", QFileDialog::AcceptSave)) {
    setObjectName(QStringLiteral("FileCommands"));
    connect(window->action(QStringLiteral("Open")), &QAction::triggered, this, &FileCommands::OpenExecute);
    connect(window->action(QStringLiteral("Save")), &QAction::triggered, this, &FileCommands::SaveExecute);
}

int FileCommands::choose(QFileDialog* dialog, int heldIndex) {
    const QStringList filters = fileFilterTexts();
    // A stored index outside the list shows the first filter.
    dialog->selectNameFilter(filters.value(heldIndex - 1, filters.first()));
    const QString last = dialog->property("lastName").toString();
    if (!last.isEmpty()) dialog->selectFile(last);
    const int answer = dialog->exec();
    // Return typed while the name's completion list shows closes the dialog
    // but not the list, which would stay over the window and take its keys.
    for (QCompleter* completer : dialog->findChildren<QCompleter*>())
        if (completer->popup()) completer->popup()->hide();
    if (answer != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return 0;
    return std::max<int>(1, static_cast<int>(filters.indexOf(dialog->selectedNameFilter())) + 1);
}

void FileCommands::OpenExecute() {
    SettingsStore* settings = window_->settingsStore();
    if (window_->isBusy()) return;
    const int index = choose(open_, settings->openFilter());
    if (index == 0) return;
    settings->setOpenFilter(index);
    const FileFilter filter = fileFilterAt(index);
    QTextEdit* pane = filter.pane == PaneChoice::Result ? window_->resultPane() : window_->sourcePane();
    // The target's attributes are reset before the file is looked at.
    window_->resetAttributes(filter.pane == PaneChoice::Source, filter.pane == PaneChoice::Result);
    const QString path = forceExtension(open_->selectedFiles().first(), filter.kind);
    open_->setProperty("lastName", path);
    if (!QFileInfo::exists(path)) {
        showError(QStringLiteral("Указанный Вами файл \"%1\" на диске не существует.").arg(shortName(path)));
        return;
    }
    loadFile(pane, path);
}

bool FileCommands::loadFile(QTextEdit* pane, const QString& path) {
    QTextDocument* document = newPaneDocument(pane);
    // After the attributes were reset, the typing format is the default one.
    if (!readDocumentFile(path, *document, pane->currentCharFormat())) {
        delete document;
        showError(QStringLiteral("Произошла ошибка при открытии файла \"%1\".").arg(shortName(path)));
        return false;
    }
    showInPane(pane, document);
    return true;
}

void FileCommands::SaveExecute() {
    SettingsStore* settings = window_->settingsStore();
    if (window_->isBusy()) return;
    const int index = choose(save_, settings->saveFilter());
    if (index == 0) return;
    settings->setSaveFilter(index);
    const FileFilter filter = fileFilterAt(index);
    const QString path = forceExtension(save_->selectedFiles().first(), filter.kind);
    save_->setProperty("lastName", path);
    if (QFileInfo::exists(path) &&
        !confirm(QStringLiteral("Файл \"%1\" на диске уже существует.\nПерезаписать его?").arg(shortName(path))))
        return;
    QTextEdit* pane = filter.pane == PaneChoice::Result ? window_->resultPane() : window_->sourcePane();
    savePane(pane, filter.kind == FileKind::Rtf, path);
}

void FileCommands::savePane(QTextEdit* pane, bool rtf, const QString& path) {
    std::string error;
    if (rtf) {
        error = writeRtfFile(path, *pane->document());
    } else {
        const std::u16string text = fileText(*pane->document());
        TextFileEncoding encoding = TextFileEncoding::Cp1251;
        if (const std::optional<char32_t> c = firstCharacterOutsideCp1251(text)) {
            // Never a "?" in its place: UTF-8 holds it, or nothing is written.
            if (!confirm(QStringLiteral("Символ %1 нельзя записать в кодировке Windows-1251.\n"
                                        "Сохранить текст в кодировке UTF-8?")
                             .arg(describeCharacter(*c))))
                return;
            encoding = TextFileEncoding::Utf8;
        }
        error = writeTextFile(path, text, encoding);
    }
    if (!error.empty())
        showError(QStringLiteral("Произошла ошибка при сохранении информации в файл \"%1\".").arg(shortName(path)));
}

}  // namespace lettrica::app

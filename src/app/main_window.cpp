#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextList>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/command_table.h"
#include "app/files/file_commands.h"
#include "app/print/print_commands.h"
#include "app/font_dialog.h"
#include "app/mail/mail_commands.h"
#include "app/pane.h"
#include "app/progress_window.h"
#include "app/repair_commands.h"
#include "app/settings_store.h"
#include "app/text_services.h"
#include "app/tray/info_commands.h"
#include "app/tray/tray_dock.h"
#include "app/user_table_commands.h"
#include "app/volume_status.h"
#include "translit/cyrillic_to_latin.h"
#include "translit/latin_to_cyrillic.h"

namespace lettrica::app {

namespace {

const char* const kDefaultFontName = "MS Sans Serif";
constexpr int kDefaultFontSize = 10;

// Commands that change a pane, and the send that reads them: off while a
// long command reads or fills one.
const char* const kPaneWriters[] = {
    "New",           "Open",          "TrPerevod",          "RtPerevod",           "RegistrPerevod",
    "Perekodirovka", "FixEncoding",   "FixLayout",          "EditTable1",          "EditTable2",
    "N27",           "emsms",         "Paste",              "EditUndo1",           "EditCut1",
    "EditPaste1",    "EditDelete1",   "FontButton",         "RichEditBold1",       "RichEditItalic1",
    "RichEditUnderline1", "RichEditBullets1", "RichEditAlignLeft1", "RichEditAlignCenter1", "RichEditAlignRight1"};

QTextCharFormat defaultCharFormat() {
    QTextCharFormat f;
    f.setFontFamilies({QString::fromLatin1(kDefaultFontName)});
    f.setFontPointSize(kDefaultFontSize);
    f.setForeground(Qt::black);
    f.setFontWeight(QFont::Normal);
    f.setFontItalic(false);
    f.setFontUnderline(false);
    f.setFontStrikeOut(false);
    return f;
}

void showMessage(QMessageBox::Icon icon, const QString& caption, const QString& text) {
    QMessageBox box(icon, caption, text, QMessageBox::Ok);
    box.setObjectName("MessageBox");
    box.exec();
}

}  // namespace

MainWindow::MainWindow(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), commands_(new CommandTable(this)) {
    setObjectName("TForm1");
    setWindowTitle(QStringLiteral(" Lettrica"));
    setFont(QFont(QString::fromLatin1(kDefaultFontName), 8));
    progress_ = new ProgressWindow(this);

    buildPanes();
    buildMenus();
    buildToolBar();
    // Before any command's own handler: the last report goes, then the
    // command may show its own.
    for (QAction* a : commands_->all())
        connect(a, &QAction::triggered, this, [this] {
            if (!report_.isEmpty() && statusBar()->currentMessage() == report_) statusBar()->clearMessage();
            report_.clear();
        });
    connectCommands();

    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    resize(588, 483 + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Start-up, in order: the "/t" switch, the default user tables, New, the
    // settings, the user table files, the autostart state, then the
    // command-line file.
    tray_ = new TrayDock(this, startsInTray(arguments));
    new InfoCommands(this);  // N12 to N15
    userTableCommands_ = new UserTableCommands(this);  // DefaultUserTables, the editors
    new VolumeStatus(this);  // TextV, N45
    settings_ = new SettingsStore(this);
    NewExecute();
    settings_->load();
    userTableCommands_->loadFiles();  // LoadUserTableFiles, after the settings
    settings_->loadAutostart();
    textServices_ = new TextServices(this);  // TForm6, TForm7 and their keys
    settings_->addSectionWriter(textServices_, [this](settings::IniFile& ini, std::string_view section) {
        textServices_->writeSettings(ini, section);
    });
    connect(action("RegistrPerevod"), &QAction::triggered, textServices_, &TextServices::RegistrPerevodExecute);
    connect(action("Perekodirovka"), &QAction::triggered, textServices_, &TextServices::PerekodirovkaExecute);
    new MailCommands(this);  // TForm8, TForm9, the address book, emsms and SMTP1
    auto* repairs = new RepairCommands(this);
    connect(action("FixEncoding"), &QAction::triggered, repairs, &RepairCommands::FixEncodingExecute);
    connect(action("FixLayout"), &QAction::triggered, repairs, &RepairCommands::FixLayoutExecute);
    files_ = new FileCommands(this);  // Open, Save
    new PrintCommands(this);          // TForm4, Print, FilePageSetup1
    if (!arguments.isEmpty() && QFileInfo(arguments.first()).isFile()) loadCommandLineFile(arguments.first());
    source_->setFocus();
}

MainWindow::~MainWindow() = default;

QAction* MainWindow::action(const QString& name) const { return commands_->get(name); }

void MainWindow::showCommandReport(const QString& text) {
    report_ = text;
    statusBar()->showMessage(text);
    emit commandReported();
}

void MainWindow::buildPanes() {
    auto makePane = [this](const char* name) {
        auto* pane = new Pane(this);
        pane->setObjectName(QString::fromLatin1(name));
        pane->setFont(QFont(QString::fromLatin1(kDefaultFontName), kDefaultFontSize));
        pane->setAcceptRichText(true);
        pane->setLineWrapMode(QTextEdit::WidgetWidth);
        pane->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(pane, &QWidget::customContextMenuRequested, this,
                [this, pane](const QPoint& at) { paneMenu_->popup(pane->mapToGlobal(at)); });
        return pane;
    };
    source_ = makePane("RichEdit1");
    result_ = makePane("RichEdit2");
    source_->setAccessibleName(QString::fromUtf8("Переводимый текст"));
    result_->setAccessibleName(QString::fromUtf8("Переведенный текст"));

    upperPanel_ = new QWidget(this);
    upperPanel_->setObjectName("Panel1");
    auto* upper = new QVBoxLayout(upperPanel_);
    upper->setContentsMargins(0, 0, 0, 0);
    upper->setSpacing(0);
    toolBar_ = new QToolBar(upperPanel_);
    toolBar_->setObjectName("ToolBar1");
    toolBar_->setIconSize(QSize(16, 16));
    toolBar_->setFixedHeight(22 + 4);
    upper->addWidget(toolBar_);
    upper->addWidget(source_);

    auto* lowerPanel = new QWidget(this);
    lowerPanel->setObjectName("Panel2");
    auto* lower = new QVBoxLayout(lowerPanel);
    lower->setContentsMargins(0, 0, 0, 0);
    lower->addWidget(result_);

    splitter_ = new QSplitter(Qt::Vertical, this);
    splitter_->setObjectName("Splitter1");
    splitter_->setHandleWidth(3);
    splitter_->setChildrenCollapsible(false);
    splitter_->addWidget(upperPanel_);
    splitter_->addWidget(lowerPanel);
    splitter_->setStretchFactor(0, 0);
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({218, 483 - 218 - 3 - 19});
    setCentralWidget(splitter_);

    for (QTextEdit* pane : {source_, result_}) {
        connect(pane, &QTextEdit::cursorPositionChanged, this, [this, pane] {
            activePane_ = pane == result_ ? 2 : 1;
            if (pane->hasFocus()) setFocusedPane(pane);
            updateEditCommands();
            updateFormatCommands();
        });
        connect(pane, &QTextEdit::selectionChanged, this, [this, pane] {
            activePane_ = pane == result_ ? 2 : 1;
            updateEditCommands();
        });
        connect(pane, &QTextEdit::currentCharFormatChanged, this, [this] { updateFormatCommands(); });
        connect(pane, &QTextEdit::undoAvailable, this, [this] { updateEditCommands(); });
        connect(pane, &QTextEdit::textChanged, this, [this] { updateEditCommands(); });
    }
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == source_ || now == result_) setFocusedPane(static_cast<QTextEdit*>(now));
    });
    connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this, [this] { updateEditCommands(); });
    focused_ = source_;
}

void MainWindow::buildMenus() {
    auto add = [this](QMenu* menu, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            if (*name == '-') menu->addSeparator();
            else menu->addAction(action(name));
        }
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu(QString::fromUtf8("Файл"));
    file->setObjectName("N1");
    add(file, {"New", "Open", "Save", "-", "Print", "FilePageSetup1", "-", "emsms", "SMTP1", "-", "TextV", "N45", "-"});
    QMenu* tables = file->addMenu(QString::fromUtf8("Таблицы транслитерации"));
    tables->setObjectName("N21");
    tables->menuAction()->setStatusTip(QString::fromUtf8(" Выбор и редактирование таблиц транслитерации"));
    add(tables, {"Table1", "Table2", "UserTable", "-", "EditTable1", "EditTable2", "-", "N27"});
    file->addSeparator();
    QMenu* options = file->addMenu(QString::fromUtf8("Настройки"));
    options->setObjectName("N34");
    options->menuAction()->setStatusTip(QString::fromUtf8(" Настройки программы"));
    add(options, {"N35", "N36"});
    add(file, {"-", "N6"});

    QMenu* edit = bar->addMenu(QString::fromUtf8("Правка"));
    edit->setObjectName("N2");
    add(edit, {"EditUndo1", "-", "Paste", "CopyT", "-", "N17"});

    QMenu* translate = bar->addMenu(QString::fromUtf8("Перевод"));
    translate->setObjectName("N3");
    add(translate, {"TrPerevod", "RtPerevod", "-", "RegistrPerevod", "Perekodirovka", "-", "FixEncoding", "FixLayout"});

    QMenu* help = bar->addMenu(QString::fromUtf8("Справка"));
    help->setObjectName("N4");
    add(help, {"N12", "N13", "N14", "N15"});

    paneMenu_ = new QMenu(this);
    paneMenu_->setObjectName("PopupMenu1");
    add(paneMenu_, {"EditUndo1", "-", "EditCut1", "EditCopy1", "EditPaste1", "EditDelete1", "-", "EditSelectAll1",
                    "-", "TrPerevod", "RtPerevod"});

    // Shortcuts of actions that live only in the pop-up menu or the tool bar
    // must work from anywhere in the window.
    for (QAction* a : commands_->all()) addAction(a);
}

void MainWindow::buildToolBar() {
    for (const char* name :
         {"New", "Open", "Save", "Print", "emsms", "-", "Paste", "CopyT", "-", "TrPerevod", "RtPerevod", "-",
          "RegistrPerevod", "Perekodirovka", "-", "FontButton", "-", "RichEditBold1", "RichEditItalic1",
          "RichEditUnderline1", "-", "RichEditAlignLeft1", "RichEditAlignCenter1", "RichEditAlignRight1", "-",
          "RichEditBullets1", "-", "HelpButton"}) {
        if (*name == '-') toolBar_->addSeparator();
        else toolBar_->addAction(action(name));
    }
}

void MainWindow::connectCommands() {
    auto on = [this](const char* name, auto slot) { connect(action(name), &QAction::triggered, this, slot); };
    on("New", &MainWindow::NewExecute);
    on("Paste", &MainWindow::PasteExecute);
    on("CopyT", &MainWindow::CopyTExecute);
    on("N17", &MainWindow::N17Click);
    on("FontButton", &MainWindow::FontExecute);
    on("TrPerevod", &MainWindow::TrPerevodExecute);
    on("RtPerevod", &MainWindow::RtPerevodExecute);
    // A close refused now is one put off until a send or a long command has
    // stopped; the window closes then, its settings saved.
    on("N6", [this] { close(); });

    on("EditUndo1", [this] { if (focused_) focused_->undo(); });
    on("EditCut1", [this] { if (focused_) focused_->cut(); });
    on("EditCopy1", [this] { if (focused_) focused_->copy(); });
    on("EditPaste1", [this] { if (focused_) focused_->paste(); });
    on("EditDelete1", [this] {
        if (focused_) focused_->textCursor().removeSelectedText();
    });
    on("EditSelectAll1", [this] { if (focused_) focused_->selectAll(); });

    on("RichEditBold1", [this](bool checked) {
        QTextCharFormat f;
        f.setFontWeight(checked ? QFont::Bold : QFont::Normal);
        if (focused_) focused_->mergeCurrentCharFormat(f);
    });
    on("RichEditItalic1", [this](bool checked) {
        QTextCharFormat f;
        f.setFontItalic(checked);
        if (focused_) focused_->mergeCurrentCharFormat(f);
    });
    on("RichEditUnderline1", [this](bool checked) {
        QTextCharFormat f;
        f.setFontUnderline(checked);
        if (focused_) focused_->mergeCurrentCharFormat(f);
    });
    on("RichEditBullets1", [this] { toggleBullets(); });
    on("RichEditAlignLeft1", [this] { if (focused_) focused_->setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); });
    on("RichEditAlignCenter1", [this] { if (focused_) focused_->setAlignment(Qt::AlignHCenter); });
    on("RichEditAlignRight1", [this] { if (focused_) focused_->setAlignment(Qt::AlignRight | Qt::AlignAbsolute); });
}

void MainWindow::setFocusedPane(QTextEdit* pane) {
    if (focused_ == pane) return;
    focused_ = pane;
    updateEditCommands();
    updateFormatCommands();
}

void MainWindow::updateEditCommands() {
    QTextEdit* pane = focused_;
    if (!pane || busy_) return;
    const bool selection = pane->textCursor().hasSelection();
    action("EditUndo1")->setEnabled(pane->document()->isUndoAvailable());
    action("EditCut1")->setEnabled(selection && !pane->isReadOnly());
    action("EditCopy1")->setEnabled(selection);
    action("EditDelete1")->setEnabled(selection && !pane->isReadOnly());
    action("EditPaste1")->setEnabled(pane->canPaste());
    action("EditSelectAll1")->setEnabled(!pane->document()->isEmpty());
}

void MainWindow::updateFormatCommands() {
    QTextEdit* pane = focused_;
    if (!pane || busy_) return;
    const QTextCharFormat f = pane->currentCharFormat();
    action("RichEditBold1")->setChecked(f.fontWeight() >= QFont::Bold);
    action("RichEditItalic1")->setChecked(f.fontItalic());
    action("RichEditUnderline1")->setChecked(f.fontUnderline());
    action("RichEditBullets1")->setChecked(pane->textCursor().currentList() != nullptr);
    const Qt::Alignment a = pane->alignment();
    if (a & Qt::AlignHCenter) action("RichEditAlignCenter1")->setChecked(true);
    else if (a & Qt::AlignRight) action("RichEditAlignRight1")->setChecked(true);
    else action("RichEditAlignLeft1")->setChecked(true);
}

void MainWindow::toggleBullets() {
    if (!focused_) return;
    QTextCursor cursor = focused_->textCursor();
    cursor.beginEditBlock();
    if (QTextList* list = cursor.currentList()) {
        // Take every paragraph of the selection out of its list.
        QTextDocument* doc = focused_->document();
        QTextBlock block = doc->findBlock(cursor.selectionStart());
        const QTextBlock last = doc->findBlock(cursor.selectionEnd());
        for (;; block = block.next()) {
            if (QTextList* l = block.textList()) {
                l->remove(block);
                QTextCursor c(block);
                QTextBlockFormat bf = block.blockFormat();
                bf.setIndent(0);
                c.setBlockFormat(bf);
            }
            if (block == last || !block.isValid()) break;
        }
        Q_UNUSED(list);
    } else {
        cursor.createList(QTextListFormat::ListDisc);
    }
    cursor.endEditBlock();
    updateFormatCommands();
}

// --- Commands of the window itself ----------------------------------------

void MainWindow::DefAtrExecute() {
    const QTextCharFormat format = defaultCharFormat();
    for (auto [pane, reset] : {std::pair{source_, resetSource_}, std::pair{result_, resetResult_}}) {
        if (!reset) continue;
        QTextCursor cursor(pane->document());
        cursor.select(QTextCursor::Document);
        cursor.mergeCharFormat(format);
        cursor.movePosition(QTextCursor::Start);
        pane->setTextCursor(cursor);
        pane->setCurrentCharFormat(format);
    }
}

void MainWindow::NewExecute() {
    if (busy_) return;
    resetSource_ = resetResult_ = true;
    source_->clear();
    result_->clear();
    // Clearing drops the typing format, so the defaults are set after it:
    // text typed after New is always "MS Sans Serif" 10 points, black.
    DefAtrExecute();
}

void MainWindow::PasteExecute() { source_->paste(); }

void MainWindow::CopyTExecute() {
    result_->selectAll();
    result_->copy();
}

void MainWindow::N17Click() {
    // The action toggles its own tick before this runs.
    const bool wrap = action("N17")->isChecked();
    for (QTextEdit* pane : {source_, result_})
        pane->setLineWrapMode(wrap ? QTextEdit::WidgetWidth : QTextEdit::NoWrap);
}

void MainWindow::FontExecute() {
    QTextEdit* pane = activePane_ == 2 ? result_ : source_;
    const QTextCharFormat current = pane->currentCharFormat();
    // What the format leaves open, the pane's own font decides.
    const QFont used = current.font().resolve(pane->document()->defaultFont());
    const QColor color =
        current.foreground().style() == Qt::NoBrush ? pane->palette().color(QPalette::Text) : current.foreground().color();
    FontDialog dialog(this);
    dialog.setCurrent(used, color);
    if (dialog.exec() != QDialog::Accepted) return;
    const QFont font = dialog.selectedFont();
    QTextCharFormat f;
    // A face left as shown stays as the text names it ("MS Sans Serif"
    // drawn by its stand-in), so OK alone changes nothing.
    if (dialog.faceChanged()) f.setFontFamilies({font.family()});
    f.setFontPointSize(font.pointSizeF() > 0 ? font.pointSizeF() : kDefaultFontSize);
    f.setForeground(dialog.selectedColor());
    f.setFontWeight(font.weight());
    f.setFontItalic(font.italic());
    f.setFontUnderline(font.underline());
    f.setFontStrikeOut(font.strikeOut());
    pane->mergeCurrentCharFormat(f);
}

bool MainWindow::loadCommandLineFile(const QString& path) {
    resetAttributes(true, false);
    return files_->loadFile(source_, path);
}

void MainWindow::resetAttributes(bool source, bool result) {
    resetSource_ = source;
    resetResult_ = result;
    DefAtrExecute();
}

// --- Transliteration --------------------------------------------------------

void MainWindow::setUserTableConverters(UserTableConverters converters) {
    userTables_ = std::move(converters);
    action("UserTable")->setEnabled(static_cast<bool>(userTables_));
}

const translit::Converter& MainWindow::converterFor(Direction direction) const {
    const bool toLatin = direction == Direction::ToLatin;
    if (action("UserTable")->isChecked() && userTables_) return userTables_(direction);
    if (action("Table1")->isChecked())
        return toLatin ? static_cast<const translit::Converter&>(translit::gostCyrillicToLatin())
                       : translit::gostLatinToCyrillic();
    return toLatin ? static_cast<const translit::Converter&>(translit::angloCyrillicToLatin())
                   : translit::angloLatinToCyrillic();
}

void MainWindow::TrPerevodExecute() { runTransliteration(Direction::ToCyrillic); }
void MainWindow::RtPerevodExecute() { runTransliteration(Direction::ToLatin); }

void MainWindow::runTransliteration(Direction direction) {
    if (busy_) return;
    result_->clear();
    PaneConversion run{source_->document(), result_,
                       [this, direction]() -> const translit::Converter& { return converterFor(direction); },
                       progress_};
    run.cancelMessage = [] {
        showMessage(QMessageBox::Information, QString::fromUtf8("Перевод..."),
                    QString::fromUtf8("Перевод прерван пользователем."));
    };
    runLongCommand(run);
    if (closeAfterRun_) close();
}

RunOutcome MainWindow::runLongCommand(PaneConversion run) {
    setBusy(true);
    run.abandoned = [this] { return closeAfterRun_; };
    RunOutcome outcome = runPaneConversion(run);
    setBusy(false);
    return closeAfterRun_ ? RunOutcome::Cancelled : outcome;
}

void MainWindow::setBusy(bool busy) {
    if (busy == busy_) return;
    busy_ = busy;
    // The panes are read piece by piece during a run: nothing may change them.
    for (QTextEdit* pane : {source_, result_}) {
        if (busy) {
            readOnlyBeforeRun_[pane == result_] = pane->isReadOnly();
            pane->setReadOnly(true);
        } else {
            pane->setReadOnly(readOnlyBeforeRun_[pane == result_]);
        }
    }
    if (busy) {
        disabledWhileBusy_.clear();
        for (const char* name : kPaneWriters) {
            QAction* a = action(name);
            disabledWhileBusy_.append({a, a->isEnabled()});
            a->setEnabled(false);
        }
    } else {
        for (auto [a, enabled] : disabledWhileBusy_) a->setEnabled(enabled);
        disabledWhileBusy_.clear();
        updateEditCommands();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (busy_) {
        // Stop the run first; the window closes as soon as it has ended.
        closeAfterRun_ = true;
        progress_->BitBtn1Click();
        event->ignore();
        return;
    }
    // Shut-down, in order: the settings, the user table files, autostart.
    settings_->save();
    userTableCommands_->saveFiles();
    settings_->saveAutostart();
    progress_->hide();
    event->accept();
    emit closed();
}

void MainWindow::showAtStart() { tray_->showWindowAtStart(); }

}  // namespace lettrica::app

#include "app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/conversion/long_command_runner.h"
#include "app/conversion/system_choice.h"
#include "app/conversion/transliteration_commands.h"
#include "app/files/file_commands.h"
#include "app/files/large_paste.h"
#include "app/mail/mail_commands.h"
#include "app/window/pane.h"
#include "app/print/print_commands.h"
#include "app/textcommands/repair_commands.h"
#include "app/settings_store.h"
#include "app/textcommands/text_services.h"
#include "app/help/info_commands.h"
#include "app/tray/tray_dock.h"
#include "app/tables/user_table_commands.h"
#include "app/tables/user_tables.h"
#include "app/window/volume_status.h"
#include "app/window/default_attributes.h"
#include "app/window/edit_commands.h"
#include "app/window/formatting_commands.h"
#include "app/window/pane_commands.h"
#include "app/window/pane_focus.h"
#include "app/window/status_report.h"

namespace lettrica::app {

namespace {

constexpr MenuEntry kLine = MenuEntry::line();

void addEntries(QWidget* menuOrBar, const CommandTable& commands, std::initializer_list<MenuEntry> entries) {
    for (const MenuEntry& entry : entries) {
        if (entry.separator) {
            auto* line = new QAction(menuOrBar);
            line->setSeparator(true);
            menuOrBar->addAction(line);
        } else {
            menuOrBar->addAction(commands[entry.command]);
        }
    }
}

}  // namespace

MainWindow::MainWindow(const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), commands_(this), systems_(new SystemChoice(commands_, this)) {
    setObjectName("TForm1");
    setWindowTitle(QStringLiteral(" Lettrica"));
    setFont(QFont(QString::fromLatin1(kDefaultFontName), 8));

    buildPanes();
    runner_ = new LongCommandRunner(commands_, panes_, this);
    connect(runner_, &LongCommandRunner::readyToClose, this, &QWidget::close);
    buildMenus();
    buildToolBar();
    statusBar()->setObjectName("StatusBar1");
    statusBar()->setSizeGripEnabled(false);
    auto* report = new StatusReport(commands_, statusBar(), this);
    report->endOn(systems_->systemActions());

    // The commands of the panes themselves. A close refused now is one put
    // off until a send or a long command has stopped.
    auto* focus = new PaneFocus(panes_, this);
    new EditCommands(commands_, *focus, *runner_, this);
    new FormattingCommands(commands_, *focus, *runner_, this);
    auto* paneCommands = new PaneCommands(commands_, panes_, *runner_, this);
    connect(commands_[Command::Exit], &QAction::triggered, this, &QWidget::close);

    resize(588, 483 + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Start-up, in order: the "/t" switch, the default user tables, New, the
    // settings, the user table files, the autostart state, then the
    // command-line file.
    tray_ = new TrayDock(commands_, this, startsInTray(arguments));
    new InfoCommands(commands_, this);
    userTableCommands_ = new UserTableCommands(commands_, this);
    new TransliterationCommands(commands_, *systems_, panes_, *runner_, *userTableCommands_->tables(), *report, this);
    new VolumeStatus(commands_, panes_, statusBar(), *report, this);
    settings_ = new SettingsStore(commands_, *systems_, this, splitter_);
    paneCommands->newText();
    settings_->load();
    userTableCommands_->loadFiles();
    settings_->loadAutostart();
    textServices_ = new TextServices(commands_, panes_, *runner_, *settings_, this);
    new MailCommands(commands_, panes_, *runner_, *settings_, this);
    new RepairCommands(commands_, panes_, *runner_, *report, this);
    auto* files = new FileCommands(commands_, panes_, *runner_, *settings_, *report, this);
    new LargePaste(panes_, *runner_, this);
    new PrintCommands(commands_, panes_, *runner_, *settings_, this);
    if (!arguments.isEmpty() && QFileInfo(arguments.first()).isFile()) files->loadAtStart(arguments.first());
    panes_.source->setFocus();
}

MainWindow::~MainWindow() = default;

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
    panes_.source = makePane("RichEdit1");
    panes_.result = makePane("RichEdit2");
    panes_.source->setAccessibleName(QString::fromUtf8("Переводимый текст"));
    panes_.result->setAccessibleName(QString::fromUtf8("Переведенный текст"));

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
    upper->addWidget(panes_.source);

    auto* lowerPanel = new QWidget(this);
    lowerPanel->setObjectName("Panel2");
    auto* lower = new QVBoxLayout(lowerPanel);
    lower->setContentsMargins(0, 0, 0, 0);
    lower->addWidget(panes_.result);

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
}

void MainWindow::buildMenus() {
    using C = Command;
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu(QString::fromUtf8("Файл"));
    file->setObjectName("N1");
    addEntries(file, commands_,
               {C::New, C::Open, C::Save, kLine, C::Print, C::PageSetup, kLine, C::SendMail, C::SmtpSettings, kLine,
                C::TextVolume, C::AutoVolume, kLine});
    QMenu* tables = file->addMenu(QString::fromUtf8("Таблицы транслитерации"));
    tables->setObjectName("N21");
    tables->menuAction()->setStatusTip(QString::fromUtf8(" Выбор и редактирование таблиц транслитерации"));
    addEntries(tables, commands_,
               {C::GostTable, C::AngloTable, C::UserTable, kLine, C::EditToCyrillicTable, C::EditToLatinTable, kLine,
                C::ResetUserTables});
    file->addSeparator();
    QMenu* options = file->addMenu(QString::fromUtf8("Настройки"));
    options->setObjectName("N34");
    options->menuAction()->setStatusTip(QString::fromUtf8(" Настройки программы"));
    addEntries(options, commands_, {C::MinimizeToTray, C::Autostart});
    addEntries(file, commands_, {kLine, C::Exit});

    QMenu* edit = bar->addMenu(QString::fromUtf8("Правка"));
    edit->setObjectName("N2");
    addEntries(edit, commands_, {C::Undo, kLine, C::PasteSource, C::CopyResult, kLine, C::WordWrap});

    QMenu* translate = bar->addMenu(QString::fromUtf8("Перевод"));
    translate->setObjectName("N3");
    addEntries(translate, commands_, {C::ToCyrillic, C::ToLatin});
    // Every system, the program's and the user's tables first: the same
    // choice as the tables of "Файл", ticked in both.
    QMenu* systems = translate->addMenu(QString::fromUtf8("Системы транслитерации"));
    systems->setObjectName("SystemsMenu");
    systems->menuAction()->setStatusTip(QString::fromUtf8(" Выбор системы транслитерации для F3 и F2"));
    addEntries(systems, commands_, {C::GostTable, C::AngloTable, C::UserTable, kLine});
    systems->addActions(systems_->systemActions());
    addEntries(translate, commands_, {kLine, C::ChangeCase, C::Recode, kLine, C::FixEncoding, C::FixLayout});

    QMenu* help = bar->addMenu(QString::fromUtf8("Справка"));
    help->setObjectName("N4");
    addEntries(help, commands_, {C::Help, C::About, C::WebSite, C::LetterToAuthor});

    paneMenu_ = new QMenu(this);
    paneMenu_->setObjectName("PopupMenu1");
    addEntries(paneMenu_, commands_,
               {C::Undo, kLine, C::Cut, C::Copy, C::PasteIntoPane, C::Delete, kLine, C::SelectAll, kLine,
                C::ToCyrillic, C::ToLatin});

    // Shortcuts of actions that live only in the pop-up menu or the tool bar
    // must work from anywhere in the window.
    addActions(commands_.all());
}

void MainWindow::buildToolBar() {
    using C = Command;
    addEntries(toolBar_, commands_,
               {C::New, C::Open, C::Save, C::Print, C::SendMail, kLine, C::PasteSource, C::CopyResult, kLine,
                C::ToCyrillic, C::ToLatin, kLine, C::ChangeCase, C::Recode, kLine, C::Font, kLine, C::Bold,
                C::Italic, C::Underline, kLine, C::AlignLeft, C::AlignCenter, C::AlignRight, kLine, C::Bullets, kLine,
                C::HelpButton});
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Stop the work first; the window closes as soon as it has ended.
    if (runner_->holdClose()) {
        event->ignore();
        return;
    }
    // Shut-down, in order: the settings, the user table files, autostart.
    settings_->save();
    userTableCommands_->saveFiles();
    settings_->saveAutostart();
    event->accept();
    emit closed();
}

void MainWindow::showAtStart() { tray_->showWindowAtStart(); }

}  // namespace lettrica::app

#include "app/command_table.h"

#include <QAction>
#include <QActionGroup>

#include "app/command_icons.h"

namespace lettrica::app {

namespace {

enum class Tick { None, Unticked, Ticked };  // not checkable, or its tick at start

struct CommandRow {
    Command id;
    const char* name;  // objectName
    const char* caption;
    const char* hint;
    const char* shortcut;
    const char* icon;  // freedesktop theme icon name
    Glyph glyph;       // drawn when the theme has no such icon
    Tick tick;
    OffWhile off;
};

// Every command in the order of the menus; a row's place is its id.
constexpr CommandRow kCommands[] = {
    {Command::New, "New", "Новый", " Очистить текстовые области для нового перевода", "Ctrl+N", "document-new",
     Glyph::Page, Tick::None, OffWhile::Busy},
    {Command::Open, "Open", "Открыть", " Загрузить текст из файла", "Ctrl+O", "document-open", Glyph::Folder,
     Tick::None, OffWhile::Busy},
    {Command::Save, "Save", "Сохранить", " Сохранить текст в файл", "Ctrl+S", "document-save", Glyph::Disk, Tick::None,
     OffWhile::Never},
    {Command::Print, "Print", "Печать...", " Напечатать текст", "Ctrl+P", "document-print", Glyph::Printer, Tick::None,
     OffWhile::Never},
    {Command::PageSetup, "FilePageSetup1", "Параметры страницы...",
     " Установка полей, размера и источника подачи бумаги, колонтитулов", "Ctrl+Alt+P", "document-page-setup",
     Glyph::Printer, Tick::None, OffWhile::Never},
    {Command::SendMail, "emsms", "Email/SMS", " Отправить Email/SMS", "Ctrl+E", "mail-send", Glyph::Envelope,
     Tick::None, OffWhile::Busy},
    {Command::SmtpSettings, "SMTP1", "Настройки SMTP...", " Изменить настройки SMTP", "Ctrl+Alt+E",
     "preferences-system", Glyph::Envelope, Tick::None, OffWhile::Sending},
    {Command::TextVolume, "TextV", "Объем текста", " Определить количество символов в тексте", "Ctrl+Alt+V", "",
     Glyph::None, Tick::None, OffWhile::Never},
    {Command::AutoVolume, "N45", "Автоматически определять объем",
     " Автоматически определять объем текста и показывать его в статусной строке", "Ctrl+Shift+V", "", Glyph::None,
     Tick::Unticked, OffWhile::Never},
    {Command::GostTable, "Table1", "Таблица ГОСТ 16876-71",
     " Осуществлять перевод согласно системе транслитерации, принятой в СССР (ГОСТ 16876-71)", "Alt+G", "", Glyph::None,
     Tick::Unticked, OffWhile::Never},
    {Command::AngloTable, "Table2", "Англо-американская таблица",
     " Осуществлять перевод согласно англо-американской системе транслитерации", "Alt+A", "", Glyph::None, Tick::Ticked,
     OffWhile::Never},
    {Command::UserTable, "UserTable", "Пользовательская таблица",
     " Осуществлять перевод согласно заданной пользователем системе транслитерации", "Alt+U", "", Glyph::None,
     Tick::Unticked, OffWhile::Never},
    {Command::EditToCyrillicTable, "EditTable1", "Редактировать пользовательскую таблицу Rus <- Translit",
     " Редактировать пользовательскую таблицу Rus <- Translit", "Alt+F2", "", Glyph::None, Tick::None, OffWhile::Busy},
    {Command::EditToLatinTable, "EditTable2", "Редактировать пользовательскую таблицу Rus -> Translit",
     " Редактировать пользовательскую таблицу Rus -> Translit", "Alt+F3", "", Glyph::None, Tick::None, OffWhile::Busy},
    {Command::ResetUserTables, "N27", "Вернуть начальные настройки пользовательских таблиц",
     " Вернуть начальные настройки пользовательских таблиц", "Alt+R", "", Glyph::None, Tick::None, OffWhile::Busy},
    {Command::MinimizeToTray, "N35", "Сворачивать в трей",
     " Сворачивать программу в системный трей, а не на панель задач", "", "", Glyph::None, Tick::Unticked,
     OffWhile::Never},
    {Command::Autostart, "N36", "Автостарт программы",
     " Автоматически запускать программу (свертывая ее в трей) при загрузке Windows", "", "", Glyph::None,
     Tick::Unticked, OffWhile::Never},
    {Command::Exit, "N6", "Выход", " Выход из программы", "Esc", "application-exit", Glyph::None, Tick::None,
     OffWhile::Never},
    {Command::Undo, "EditUndo1", "Отменить", " Отменить последнюю операцию редактирования текста", "Ctrl+Z",
     "edit-undo", Glyph::None, Tick::None, OffWhile::Busy},
    {Command::Cut, "EditCut1", "Вырезать", " Вырезать выделенный текст", "Ctrl+X", "edit-cut", Glyph::None, Tick::None,
     OffWhile::Busy},
    {Command::Copy, "EditCopy1", "Копировать", " Копировать выделенный текст в буфер обмена Windows", "Ctrl+C",
     "edit-copy", Glyph::Copies, Tick::None, OffWhile::Never},
    {Command::PasteIntoPane, "EditPaste1", "Вставить", " Вставить текст из буфера обмена Windows", "Ctrl+V",
     "edit-paste", Glyph::Clipboard, Tick::None, OffWhile::Busy},
    {Command::Delete, "EditDelete1", "Удалить", " Удалить выделенный текст", "", "edit-delete", Glyph::None, Tick::None,
     OffWhile::Busy},
    {Command::SelectAll, "EditSelectAll1", "Выделить все", " Выделить все в активном документе", "Ctrl+A",
     "edit-select-all", Glyph::None, Tick::None, OffWhile::Never},
    {Command::PasteSource, "Paste", "Вставить переводимый текст",
     " Вставить переводимый текст из буфера обмена Windows", "Alt+V", "edit-paste", Glyph::Clipboard, Tick::None,
     OffWhile::Busy},
    {Command::CopyResult, "CopyT", "Копировать переведенный текст",
     " Копировать переведенный текст в буфер обмена Windows", "Alt+C", "edit-copy", Glyph::Copies, Tick::None,
     OffWhile::Converting},
    {Command::WordWrap, "N17", "Перенос по словам", " Включить/выключить перенос текста по словам", "Alt+B", "",
     Glyph::None, Tick::Ticked, OffWhile::Never},
    {Command::ToCyrillic, "TrPerevod", "Rus <- Translit", " Произвести перевод текста: Rus <- Translit", "F2",
     "go-previous", Glyph::ToCyrillic, Tick::None, OffWhile::Busy},
    {Command::ToLatin, "RtPerevod", "Rus -> Translit", " Произвести перевод текста: Rus -> Translit", "F3", "go-next",
     Glyph::ToLatin, Tick::None, OffWhile::Busy},
    {Command::ChangeCase, "RegistrPerevod", "Регистр...", " Перевести все символы в верхний или нижний регистр", "F4",
     "format-text-uppercase", Glyph::LetterCase, Tick::None, OffWhile::Busy},
    {Command::Recode, "Perekodirovka", "Перекодировка...", " Изменить кодировку русских символов", "F5", "view-refresh",
     Glyph::CodePage, Tick::None, OffWhile::Busy},
    {Command::FixEncoding, "FixEncoding", "Исправить кодировку", " Исправить текст, прочитанный в неверной кодировке",
     "Shift+F5", "", Glyph::None, Tick::None, OffWhile::Busy},
    {Command::FixLayout, "FixLayout", "Исправить раскладку",
     " Исправить текст, набранный в неверной раскладке клавиатуры", "Shift+F6", "", Glyph::None, Tick::None,
     OffWhile::Busy},
    {Command::Bold, "RichEditBold1", "&Bold", " Полужирный", "Ctrl+B", "format-text-bold", Glyph::Bold, Tick::Unticked,
     OffWhile::Busy},
    {Command::Italic, "RichEditItalic1", "&Italic", " Курсив", "Ctrl+I", "format-text-italic", Glyph::Italic,
     Tick::Unticked, OffWhile::Busy},
    {Command::Underline, "RichEditUnderline1", "&Underline", " Подчеркнутый", "Ctrl+U", "format-text-underline",
     Glyph::Underline, Tick::Unticked, OffWhile::Busy},
    {Command::Bullets, "RichEditBullets1", "&Bullets", " Маркеры", "", "format-list-unordered", Glyph::Bullets,
     Tick::Unticked, OffWhile::Busy},
    {Command::AlignLeft, "RichEditAlignLeft1", "Align &Left", " По левому краю", "", "format-justify-left",
     Glyph::AlignLeft, Tick::Ticked, OffWhile::Busy},
    {Command::AlignCenter, "RichEditAlignCenter1", "&Center", " По центру", "", "format-justify-center",
     Glyph::AlignCenter, Tick::Unticked, OffWhile::Busy},
    {Command::AlignRight, "RichEditAlignRight1", "Align &Right", " По правому краю", "", "format-justify-right",
     Glyph::AlignRight, Tick::Unticked, OffWhile::Busy},
    {Command::Font, "FontButton", "Шрифт...", " Шрифт...", "", "preferences-desktop-font", Glyph::Font, Tick::None,
     OffWhile::Busy},
    {Command::Help, "N12", "Помощь", " Вызов справки", "F1", "help-contents", Glyph::Help, Tick::None, OffWhile::Never},
    {Command::About, "N13", "О программе", " Информация о программе", "Ctrl+Alt+A", "help-about", Glyph::None,
     Tick::None, OffWhile::Never},
    {Command::WebSite, "N14", "Сайт программы", " Посетить домашнюю страницу программы", "Ctrl+H", "", Glyph::None,
     Tick::None, OffWhile::Never},
    {Command::LetterToAuthor, "N15", "Письмо автору", " Написать письмо автору программы", "Ctrl+M", "", Glyph::None,
     Tick::None, OffWhile::Never},
    {Command::HelpButton, "HelpButton", "Помощь", " Вызов справки", "", "help-contents", Glyph::Help, Tick::None,
     OffWhile::Never},
};
static_assert(std::size(kCommands) == kCommandCount);

constexpr bool rowsInIdOrder() {
    for (std::size_t i = 0; i < std::size(kCommands); ++i)
        if (static_cast<std::size_t>(kCommands[i].id) != i) return false;
    return true;
}
static_assert(rowsInIdOrder(), "each row of kCommands sits at its command's place");

const CommandRow& row(Command command) { return kCommands[static_cast<std::size_t>(command)]; }

}  // namespace

CommandTable::CommandTable(QObject* owner) {
    for (const CommandRow& row : kCommands) {
        auto* action = new QAction(QString::fromUtf8(row.caption), owner);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setStatusTip(QString::fromUtf8(row.hint));
        action->setToolTip(QString::fromUtf8(row.hint).trimmed());
        if (*row.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        action->setIcon(commandIcon(row.icon, row.glyph));
        action->setCheckable(row.tick != Tick::None);
        action->setChecked(row.tick == Tick::Ticked);
        actions_[static_cast<std::size_t>(row.id)] = action;
    }
    // The page-setup menu item shows a shorter hint than its tool tip.
    (*this)[Command::PageSetup]->setStatusTip(
        QString::fromUtf8(" Установка полей, размера и источника подачи бумаги"));

    tables_ = new QActionGroup(owner);
    tables_->setObjectName("TableGroup");
    for (Command c : {Command::GostTable, Command::AngloTable, Command::UserTable}) tables_->addAction((*this)[c]);
    auto* align = new QActionGroup(owner);
    align->setObjectName("AlignGroup");
    for (Command c : {Command::AlignLeft, Command::AlignCenter, Command::AlignRight}) align->addAction((*this)[c]);
}

QList<QAction*> CommandTable::all() const { return QList<QAction*>(actions_.begin(), actions_.end()); }

OffWhile CommandTable::offWhile(Command command) { return row(command).off; }

}  // namespace lettrica::app

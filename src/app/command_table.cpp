#include "app/command_table.h"

#include "app/command_icons.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>

namespace lettrica::app {

namespace {

struct CommandRow {
    const char* name;
    const char* caption;
    const char* hint;
    const char* shortcut;
    const char* icon;  // freedesktop theme icon name
    bool checkable;
    bool checked;
};

// Caption, hint and shortcut of every command, in the order of the menus.
const CommandRow kCommands[] = {
    {"New", "Новый", " Очистить текстовые области для нового перевода", "Ctrl+N", "document-new", false, false},
    {"Open", "Открыть", " Загрузить текст из файла", "Ctrl+O", "document-open", false, false},
    {"Save", "Сохранить", " Сохранить текст в файл", "Ctrl+S", "document-save", false, false},
    {"Print", "Печать...", " Напечатать текст", "Ctrl+P", "document-print", false, false},
    {"FilePageSetup1", "Параметры страницы...",
     " Установка полей, размера и источника подачи бумаги, колонтитулов", "Ctrl+Alt+P", "document-page-setup",
     false, false},
    {"emsms", "Email/SMS", " Отправить Email/SMS", "Ctrl+E", "mail-send", false, false},
    {"SMTP1", "Настройки SMTP...", " Изменить настройки SMTP", "Ctrl+Alt+E", "preferences-system", false, false},
    {"TextV", "Объем текста", " Определить количество символов в тексте", "Ctrl+Alt+V", "", false, false},
    {"N45", "Автоматически определять объем",
     " Автоматически определять объем текста и показывать его в статусной строке", "Ctrl+Shift+V", "", true,
     false},
    {"Table1", "Таблица ГОСТ 16876-71",
     " Осуществлять перевод согласно системе транслитерации, принятой в СССР (ГОСТ 16876-71)", "Alt+G", "",
     true, false},
    {"Table2", "Англо-американская таблица",
     " Осуществлять перевод согласно англо-американской системе транслитерации", "Alt+A", "", true, true},
    {"UserTable", "Пользовательская таблица",
     " Осуществлять перевод согласно заданной пользователем системе транслитерации", "Alt+U", "", true, false},
    {"EditTable1", "Редактировать пользовательскую таблицу Rus <- Translit",
     " Редактировать пользовательскую таблицу Rus <- Translit", "Alt+F2", "", false, false},
    {"EditTable2", "Редактировать пользовательскую таблицу Rus -> Translit",
     " Редактировать пользовательскую таблицу Rus -> Translit", "Alt+F3", "", false, false},
    {"N27", "Вернуть начальные настройки пользовательских таблиц",
     " Вернуть начальные настройки пользовательских таблиц", "Alt+R", "", false, false},
    {"N35", "Сворачивать в трей", " Сворачивать программу в системный трей, а не на панель задач", "", "", true,
     false},
    {"N36", "Автостарт программы",
     " Автоматически запускать программу (свертывая ее в трей) при загрузке Windows", "", "", true, false},
    {"N6", "Выход", " Выход из программы", "Esc", "application-exit", false, false},
    {"EditUndo1", "Отменить", " Отменить последнюю операцию редактирования текста", "Ctrl+Z", "edit-undo",
     false, false},
    {"EditCut1", "Вырезать", " Вырезать выделенный текст", "Ctrl+X", "edit-cut", false, false},
    {"EditCopy1", "Копировать", " Копировать выделенный текст в буфер обмена Windows", "Ctrl+C", "edit-copy",
     false, false},
    {"EditPaste1", "Вставить", " Вставить текст из буфера обмена Windows", "Ctrl+V", "edit-paste", false, false},
    {"EditDelete1", "Удалить", " Удалить выделенный текст", "", "edit-delete", false, false},
    {"EditSelectAll1", "Выделить все", " Выделить все в активном документе", "Ctrl+A", "edit-select-all", false,
     false},
    {"Paste", "Вставить переводимый текст", " Вставить переводимый текст из буфера обмена Windows", "Alt+V",
     "edit-paste", false, false},
    {"CopyT", "Копировать переведенный текст", " Копировать переведенный текст в буфер обмена Windows", "Alt+C",
     "edit-copy", false, false},
    {"N17", "Перенос по словам", " Включить/выключить перенос текста по словам", "Alt+B", "", true, true},
    {"TrPerevod", "Rus <- Translit", " Произвести перевод текста: Rus <- Translit", "F2", "go-previous", false,
     false},
    {"RtPerevod", "Rus -> Translit", " Произвести перевод текста: Rus -> Translit", "F3", "go-next", false, false},
    {"RegistrPerevod", "Регистр...", " Перевести все символы в верхний или нижний регистр", "F4",
     "format-text-uppercase", false, false},
    {"Perekodirovka", "Перекодировка...", " Изменить кодировку русских символов", "F5", "view-refresh", false,
     false},
    {"FixEncoding", "Исправить кодировку", " Исправить текст, прочитанный в неверной кодировке", "Shift+F5", "",
     false, false},
    {"FixLayout", "Исправить раскладку", " Исправить текст, набранный в неверной раскладке клавиатуры", "Shift+F6",
     "", false, false},
    {"RichEditBold1", "&Bold", " Полужирный", "Ctrl+B", "format-text-bold", true, false},
    {"RichEditItalic1", "&Italic", " Курсив", "Ctrl+I", "format-text-italic", true, false},
    {"RichEditUnderline1", "&Underline", " Подчеркнутый", "Ctrl+U", "format-text-underline", true, false},
    {"RichEditBullets1", "&Bullets", " Маркеры", "", "format-list-unordered", true, false},
    {"RichEditAlignLeft1", "Align &Left", " По левому краю", "", "format-justify-left", true, true},
    {"RichEditAlignCenter1", "&Center", " По центру", "", "format-justify-center", true, false},
    {"RichEditAlignRight1", "Align &Right", " По правому краю", "", "format-justify-right", true, false},
    {"FontButton", "Шрифт...", " Шрифт...", "", "preferences-desktop-font", false, false},
    {"N12", "Помощь", " Вызов справки", "F1", "help-contents", false, false},
    {"N13", "О программе", " Информация о программе", "Ctrl+Alt+A", "help-about", false, false},
    {"N14", "Сайт программы", " Посетить домашнюю страницу программы", "Ctrl+H", "", false, false},
    {"N15", "Письмо автору", " Написать письмо автору программы", "Ctrl+M", "", false, false},
    {"HelpButton", "Помощь", " Вызов справки", "", "help-contents", false, false},
};

}  // namespace

CommandTable::CommandTable(QObject* owner) {
    for (const CommandRow& row : kCommands) {
        auto* action = new QAction(QString::fromUtf8(row.caption), owner);
        action->setObjectName(QString::fromLatin1(row.name));
        action->setStatusTip(QString::fromUtf8(row.hint));
        action->setToolTip(QString::fromUtf8(row.hint).trimmed());
        if (*row.shortcut) action->setShortcut(QKeySequence(QString::fromLatin1(row.shortcut)));
        action->setIcon(commandIcon(QString::fromLatin1(row.icon), action->objectName()));
        action->setCheckable(row.checkable);
        action->setChecked(row.checked);
        byName_.insert(action->objectName(), action);
        ordered_.append(action);
    }
    // The page-setup menu item shows a shorter hint than its tool tip.
    get("FilePageSetup1")->setStatusTip(QString::fromUtf8(" Установка полей, размера и источника подачи бумаги"));

    auto* tables = new QActionGroup(owner);
    tables->setObjectName("TableGroup");
    for (const char* name : {"Table1", "Table2", "UserTable"}) tables->addAction(get(name));
    auto* align = new QActionGroup(owner);
    align->setObjectName("AlignGroup");
    for (const char* name : {"RichEditAlignLeft1", "RichEditAlignCenter1", "RichEditAlignRight1"})
        align->addAction(get(name));
}

QAction* CommandTable::get(const QString& name) const {
    QAction* a = byName_.value(name);
    Q_ASSERT_X(a, "CommandTable::get", qPrintable(name));
    return a;
}

}  // namespace lettrica::app

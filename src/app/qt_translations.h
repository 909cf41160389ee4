#pragma once
// Qt's own words in Russian: the standard dialogs (font, colour, file,
// print, page setup), the standard buttons and the editors' context menus.
// The program's own texts are Russian already and are not translated; texts
// it sets itself ("&Yes", "&No", "Отмена") stay as they are.

namespace lettrica::app {

// Loads Debian's qtbase_ru.qm (package qt6-translations-l10n) from Qt's
// translations directory into the running application. Without it Qt's
// words stay English. Returns whether they were loaded. Call it once the
// QApplication exists, before the windows are made.
bool installQtTranslations();

}  // namespace lettrica::app

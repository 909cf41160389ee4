#pragma once
// Every command of the main window, created in one place: its caption, hint
// (status tip, always starting with a space), shortcut, image, initial state
// and whether it is off while a long command or a send runs. Each command is
// one QAction, shown wherever the menus, tool bar and pop-up menus list it,
// so it keeps one caption, hint, shortcut and enabled state everywhere.
// Commands are reached by their id; the form's names stay only as each
// action's objectName, which tests and accessibility tools see.

#include <QList>
#include <array>
#include <cstddef>

class QAction;
class QActionGroup;
class QObject;

namespace lettrica::app {

enum class Command {
    New,
    Open,
    Save,
    Print,
    PageSetup,
    SendMail,
    SmtpSettings,
    TextVolume,
    AutoVolume,
    GostTable,
    AngloTable,
    UserTable,
    EditToCyrillicTable,
    EditToLatinTable,
    ResetUserTables,
    MinimizeToTray,
    Autostart,
    Exit,
    Undo,
    Cut,
    Copy,
    PasteIntoPane,
    Delete,
    SelectAll,
    PasteSource,
    CopyResult,
    WordWrap,
    ToCyrillic,
    ToLatin,
    ChangeCase,
    Recode,
    FixEncoding,
    FixLayout,
    Bold,
    Italic,
    Underline,
    Bullets,
    AlignLeft,
    AlignCenter,
    AlignRight,
    Font,
    Help,
    About,
    WebSite,
    LetterToAuthor,
    HelpButton,
};
inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::HelpButton) + 1;

// What keeps a command busy: a long command over the panes (transliteration,
// case, recoding, repair) or a send. Both keep the event loop running, so
// the user can reach the menus meanwhile.
enum class Work : unsigned { Converting = 1, Sending = 2 };

// The work during which a command is off: a set of Work values.
enum class OffWhile : unsigned { Never = 0, Converting = 1, Sending = 2, Busy = 3 };

inline constexpr bool isOffDuring(OffWhile off, Work work) {
    return (static_cast<unsigned>(off) & static_cast<unsigned>(work)) != 0;
}

class CommandTable {
public:
    explicit CommandTable(QObject* owner);

    QAction* operator[](Command command) const { return actions_[static_cast<std::size_t>(command)]; }
    // In the table's order.
    QList<QAction*> all() const;

    static OffWhile offWhile(Command command);

    // The one choice of transliteration: the three tables, and whatever
    // else joins them (the systems), wherever the menus show them.
    QActionGroup* tableGroup() const { return tables_; }

private:
    std::array<QAction*, kCommandCount> actions_{};
    QActionGroup* tables_ = nullptr;
};

// One entry of a menu or tool bar: a command, or a separator line.
struct MenuEntry {
    bool separator = false;
    Command command{};
    constexpr MenuEntry(Command c) : command(c) {}  // NOLINT: lists read as the menus do
    static constexpr MenuEntry line() { return MenuEntry(); }

private:
    constexpr MenuEntry() : separator(true) {}
};

}  // namespace lettrica::app

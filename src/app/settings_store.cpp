#include "app/settings_store.h"

#include <QAction>
#include <QCoreApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QSplitter>
#include <algorithm>

#include "app/command_table.h"
#include "app/conversion/system_choice.h"
#include "settings/autostart.h"
#include "settings/settings_dir.h"
#include "settings/settings_keys.h"
#include "translit/registry.h"

namespace lettrica::app {

namespace {

// The upper panel's designed height, stored when the window never got a
// layout of its own (started in the notification area and closed there).
constexpr int kDesignedPanelHeight = 218;

// The table choice by its stored number.
constexpr Command kTables[] = {Command::UserTable, Command::GostTable, Command::AngloTable};

class ShownWatcher : public QObject {
public:
    using QObject::QObject;
    bool shown = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) shown = true;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

SettingsStore::SettingsStore(const CommandTable& commands, SystemChoice& systems, QWidget* window,
                             QSplitter* splitter)
    : QObject(window),
      commands_(commands),
      systems_(systems),
      window_(window),
      splitter_(splitter),
      executable_(QCoreApplication::applicationFilePath()) {
    setObjectName("SettingsStore");
    auto* watcher = new ShownWatcher(this);
    watcher->setObjectName("ShownWatcher");
    window->installEventFilter(watcher);
}

SettingsStore* SettingsStore::of(const QObject* mainWindow) {
    return mainWindow ? mainWindow->findChild<SettingsStore*>("SettingsStore", Qt::FindDirectChildrenOnly) : nullptr;
}

settings::IniFile SettingsStore::open() {
    return settings::IniFile(settings::settingsFile(settings::kSettingsFileName));
}

void SettingsStore::load() {
    // It may hold the mail password, and another program may have left it
    // readable to all; a run that changes nothing writes nothing to fix it.
    settings::IniFile::keepPrivate(settings::settingsFile(settings::kSettingsFileName));
    settings::loadMainSettings(open(), state_);
    apply(state_);
}

void SettingsStore::apply(const settings::MainWindowState& s) {
    QWidget& w = *window_;
    const bool sized = s.width > 0 || s.height > 0;
    if (sized) w.resize(s.width > 0 ? s.width : w.width(), s.height > 0 ? s.height : w.height());
    if (s.panelHeight > 0) {
        const QList<int> sizes = splitter_->sizes();
        int total = 0;
        for (int size : sizes) total += size;
        splitter_->setSizes({s.panelHeight, std::max(1, total - s.panelHeight)});
    }
    if (s.hasPosition) {
        w.move(s.left, s.top);
    } else if (sized) {
        // Centred, as designed, at the stored size.
        if (QScreen* screen = QGuiApplication::primaryScreen())
            w.move(screen->availableGeometry().center() - w.rect().center());
    }
    // The stored size stays the normal geometry the window returns to.
    if (s.maximized) w.setWindowState(w.windowState() | Qt::WindowMaximized);

    // The system's name wins when this program knows it; else the table
    // number decides (a file from a program that knew only the tables).
    if (const translit::SystemInfo* system = s.system.empty() ? nullptr : translit::findSystem(s.system))
        systems_.choose(*system);
    else if (s.table >= 0 && s.table < 3)
        commands_[kTables[s.table]]->setChecked(true);
    if (!s.wordWrap && commands_[Command::WordWrap]->isChecked()) commands_[Command::WordWrap]->trigger();
    if (s.autoVolume && !commands_[Command::AutoVolume]->isChecked()) commands_[Command::AutoVolume]->trigger();
    if (s.minimizeToTray) commands_[Command::MinimizeToTray]->setChecked(true);
}

settings::MainWindowState SettingsStore::capture() const {
    const QWidget& w = *window_;
    settings::MainWindowState s = state_;
    s.maximized = w.isMaximized();
    // The position of the frame, the size inside it: move() and resize()
    // take the same two, so a restart puts the window back exactly.
    s.left = w.pos().x();
    s.top = w.pos().y();
    s.width = w.width();
    s.height = w.height();
    const auto* watcher = findChild<ShownWatcher*>("ShownWatcher");
    if (watcher && watcher->shown) s.panelHeight = splitter_->widget(0)->height();
    else s.panelHeight = state_.panelHeight > 0 ? state_.panelHeight : kDesignedPanelHeight;
    const translit::SystemInfo& system = systems_.current();
    s.system = system.name;
    s.table = SystemChoice::nearestTable(system);
    s.wordWrap = commands_[Command::WordWrap]->isChecked();
    s.autoVolume = commands_[Command::AutoVolume]->isChecked();
    s.minimizeToTray = commands_[Command::MinimizeToTray]->isChecked();
    return s;
}

void SettingsStore::addSectionWriter(QObject* owner, settings::SectionWriter writer) {
    writers_.push_back({owner, std::move(writer)});
    if (owner) {
        connect(owner, &QObject::destroyed, this, [this, owner] {
            writers_.erase(std::remove_if(writers_.begin(), writers_.end(),
                                          [owner](const Writer& w) { return w.owner == owner; }),
                           writers_.end());
        });
    }
}

void SettingsStore::save() {
    // Read again now: keys another copy of the program or the user added
    // since the start are kept.
    settings::IniFile ini = open();
    settings::saveMainSettings(ini, capture(), [this](settings::IniFile& file, std::string_view section) {
        for (const Writer& w : writers_) w.write(file, section);
    });
    lastSaveError_ = ini.save();
}

void SettingsStore::loadAutostart() {
    autostartAtStart_ = false;
    if (settings::autostartEntryExists()) {
        commands_[Command::Autostart]->setChecked(true);
        autostartAtStart_ = true;
    }
}

void SettingsStore::saveAutostart() {
    const bool ticked = commands_[Command::Autostart]->isChecked();
    if (ticked == autostartAtStart_) return;
    std::string error;
    if (ticked) error = settings::writeAutostartEntry(executable_.toStdString());
    else if (settings::autostartEntryExists()) error = settings::removeAutostartEntry();
    // A failure leaves the entry as it was, without a message.
    if (error.empty()) autostartAtStart_ = ticked;
}

}  // namespace lettrica::app

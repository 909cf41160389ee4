#pragma once
// The main window as a test function starts it: its settings in `home` (a
// directory of the test's own), shown and exposed. Null if it never shows.

#include <QTemporaryDir>
#include <QTest>

#include "app/main_window.h"

inline void useSettingsHome(const QTemporaryDir& home) {
    qputenv("LETTRICA_HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath("config").toUtf8());
}

inline lettrica::app::MainWindow* showWindowIn(const QTemporaryDir& home) {
    useSettingsHome(home);
    auto* window = new lettrica::app::MainWindow();
    window->show();
    if (QTest::qWaitForWindowExposed(window)) return window;
    delete window;
    return nullptr;
}

#include <QApplication>

#include "app/main_window.h"
#include "app/memory_policy.h"
#include "app/qt_translations.h"
#include "app/tray/app_icon.h"

int main(int argc, char** argv) {
    lettrica::app::keepBigBuffersMapped();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lettrica"));
    lettrica::app::installQtTranslations();
    QApplication::setWindowIcon(lettrica::app::applicationIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("lettrica"));
    // The program lives until its main window closes, also while that window
    // sits hidden in the notification area and a message box is the last
    // window to close.
    QApplication::setQuitOnLastWindowClosed(false);
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    lettrica::app::MainWindow window(arguments);
    QObject::connect(&window, &lettrica::app::MainWindow::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.showAtStart();
    return app.exec();
}

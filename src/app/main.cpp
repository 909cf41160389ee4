#include <QApplication>

#include "app/main_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Lettrica"));
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    lettrica::app::MainWindow window(arguments);
    window.show();
    return app.exec();
}

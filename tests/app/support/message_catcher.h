#pragma once
// Closes every message box that shows while it lives and remembers what
// each said: the modal boxes of the program block, so tests answer them.

#include <QApplication>
#include <QList>
#include <QMessageBox>
#include <QStringList>
#include <QTimer>
#include <functional>

struct MessageCatcher {
    QStringList captions, texts;
    QList<QMessageBox::Icon> icons;
    QList<QWidget*> owners;
    QTimer timer;
    std::function<void(QMessageBox*)> onShow;  // runs while the box is up

    MessageCatcher() {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                captions << box->windowTitle();
                texts << box->text();
                icons << box->icon();
                owners << box->parentWidget();
                if (onShow) onShow(box);
                box->accept();
            }
        });
        timer.start(5);
    }
};

#pragma once
// Closes every message box that shows while it lives and remembers what
// each said: the modal boxes of the program block, so tests answer them.
// A question is answered with the button captioned `answer` when it has one.

#include <QAbstractButton>
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
    QList<QStringList> buttons;
    QString answer;
    QTimer timer;
    std::function<void(QMessageBox*)> onShow;  // runs while the box is up

    explicit MessageCatcher(const QString& answerWith = {}) : answer(answerWith) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                captions << box->windowTitle();
                texts << box->text();
                icons << box->icon();
                owners << box->parentWidget();
                if (onShow) onShow(box);
                QStringList names;
                QAbstractButton* chosen = nullptr;
                for (QAbstractButton* b : box->buttons()) {
                    names << b->text();
                    if (b->text() == answer) chosen = b;
                }
                buttons << names;
                if (chosen) chosen->click();
                else box->accept();
            }
        });
        timer.start(5);
    }
};

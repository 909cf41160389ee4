#pragma once
// Answers the next modal window of the code under test: the commands block
// in exec(), so a test hands its answer over before it triggers them. A chain
// of windows is answered by calling onNextModal again inside an answer.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Runs `answer` on the first visible modal window other than `after`. Gives
// up after about ten seconds, so that a window that never comes leaves no
// timer running into the next test.
inline void onNextModal(std::function<void(QWidget*)> answer, QWidget* after = nullptr, int triesLeft = 2000) {
    QTimer::singleShot(5, [answer, after, triesLeft] {
        QWidget* w = QApplication::activeModalWidget();
        if (w && w != after && w->isVisible()) answer(w);
        else if (triesLeft > 0) onNextModal(answer, after, triesLeft - 1);
    });
}

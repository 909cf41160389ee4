#include "app/document/pane_layout.h"

#include <QAbstractEventDispatcher>
#include <QAbstractTextDocumentLayout>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTimerEvent>
#include <algorithm>
#include <climits>

namespace lettrica::app {

namespace {

// A few milliseconds of Qt's layout.
constexpr int kSlice = 16 * 1024;

// Whether a timer event of a document's layout is Qt's idle step (a timer of
// 10 ms, each time up to 200 000 characters) rather than its report of the
// size laid out so far (a timer of 0 ms, which the scroll bar follows).
bool isLayoutStep(QObject* layout, QEvent* event) {
    if (event->type() != QEvent::Timer) return false;
    const int id = static_cast<QTimerEvent*>(event)->timerId();
    const QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance(layout->thread());
    if (!dispatcher) return false;
    for (const QAbstractEventDispatcher::TimerInfo& timer : dispatcher->registeredTimers(layout))
        if (timer.timerId == id) return timer.interval > 0;
    return false;
}

// While the slices below lay a document out, Qt's own steps wait.
class LayoutStepsHeld : public QObject {
public:
    explicit LayoutStepsHeld(QObject* layout) : layout_(layout) { layout_->installEventFilter(this); }
    ~LayoutStepsHeld() override { layout_->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return watched == layout_ && isLayoutStep(watched, event);
    }

private:
    QObject* layout_;
};

// Lays the document out as far as the end of the block that holds the
// character `at` + kSlice; returns where the next slice starts. Asking
// where a block is lays the document out as far as that block.
int layOutSlice(QTextDocument* document, int at, int total) {
    const QTextBlock block = document->findBlock(std::min(total, at + kSlice) - 1);
    if (!block.isValid()) return total;
    document->documentLayout()->blockBoundingRect(block);
    return std::max(at + 1, block.position() + block.length());
}

}  // namespace

bool layOutToTheEnd(QTextEdit* pane, const std::function<bool(std::size_t, std::size_t)>& pace) {
    QTextDocument* document = pane->document();
    LayoutStepsHeld held(document->documentLayout());
    const int total = document->characterCount();
    for (int at = 0; at < total;) {
        at = layOutSlice(document, at, total);
        if (!pace(static_cast<std::size_t>(std::min(at, total)), static_cast<std::size_t>(total))) return false;
    }
    return true;
}

// The idle layout of one pane: a zero timer lays out a few milliseconds at
// a time from where it got to, while Qt's steps are held back. The laid-out
// part is passed over quickly, so starting again from the start costs
// little when Qt has not in fact started again.
class IdleLayout : public QObject {
    Q_OBJECT
public:
    explicit IdleLayout(QTextEdit* pane) : QObject(pane), pane_(pane) {
        timer_.setInterval(0);
        connect(&timer_, &QTimer::timeout, this, &IdleLayout::step);
    }

    void restart() {
        watch(pane_->document()->documentLayout());
        at_ = 0;
        timer_.start();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return watched == layout_ && timer_.isActive() && isLayoutStep(watched, event);
    }

private:
    void watch(QAbstractTextDocumentLayout* layout) {
        if (layout == layout_) return;
        if (layout_) {
            layout_->removeEventFilter(this);
            layout_->disconnect(this);
        }
        layout_ = layout;
        layout_->installEventFilter(this);
        // Qt asks for the whole document to be painted again when it lays
        // it out again from the start.
        connect(layout_, &QAbstractTextDocumentLayout::update, this, [this](const QRectF& rect) {
            if (rect.top() <= 0 && rect.height() >= INT_MAX / 2) {
                at_ = 0;
                timer_.start();
            }
        });
    }

    void step() {
        QTextDocument* document = pane_->document();
        if (document->documentLayout() != layout_) return restart();
        QElapsedTimer clock;
        clock.start();
        const int total = document->characterCount();
        while (at_ < total && clock.elapsed() < kMillis) at_ = layOutSlice(document, at_, total);
        if (at_ >= total) timer_.stop();
    }

    static constexpr int kMillis = 5;
    QTextEdit* pane_;
    QPointer<QAbstractTextDocumentLayout> layout_;
    QTimer timer_;
    int at_ = 0;
};

void layOutWhenIdle(QTextEdit* pane) {
    auto* idle = pane->findChild<IdleLayout*>(QString(), Qt::FindDirectChildrenOnly);
    if (!idle) idle = new IdleLayout(pane);
    idle->restart();
}

}  // namespace lettrica::app

#include "pane_layout.moc"

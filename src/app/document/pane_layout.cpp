#include "app/document/pane_layout.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>
#include <algorithm>

namespace lettrica::app {

namespace {

// Qt's layout goes on in idle time by itself, a step of up to 200 000
// characters each time its timer fires: a tenth of a second and more. While
// the slices below lay the document out, its timers wait.
class TimersHeld : public QObject {
public:
    explicit TimersHeld(QObject* layout) : layout_(layout) { layout_->installEventFilter(this); }
    ~TimersHeld() override { layout_->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        return watched == layout_ && event->type() == QEvent::Timer;
    }

private:
    QObject* layout_;
};

}  // namespace

bool layOutToTheEnd(QTextEdit* pane, const std::function<bool(std::size_t, std::size_t)>& pace) {
    QTextDocument* document = pane->document();
    QAbstractTextDocumentLayout* layout = document->documentLayout();
    TimersHeld held(layout);
    const int total = document->characterCount();
    // A few milliseconds of Qt's layout.
    constexpr int kSlice = 16 * 1024;
    for (int at = 0; at < total;) {
        // Asking where a block is lays the document out as far as that block.
        const QTextBlock block = document->findBlock(std::min(total, at + kSlice) - 1);
        if (!block.isValid()) break;
        layout->blockBoundingRect(block);
        at = std::max(at + 1, block.position() + block.length());
        if (!pace(static_cast<std::size_t>(std::min(at, total)), static_cast<std::size_t>(total))) return false;
    }
    return true;
}

}  // namespace lettrica::app

#include "app/document/pane_documents.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>
#include <QThread>
#include <utility>
#include <vector>

#include "app/document/pane_layout.h"

namespace lettrica::app {

namespace {

QThread* disposalThread = nullptr;

// Runs in QApplication's destructor, while the fonts that the documents'
// layouts refer to still exist: what was handed over is freed first.
void endDisposalThread() {
    if (!disposalThread) return;
    disposalThread->quit();
    disposalThread->wait();
    delete disposalThread;
    disposalThread = nullptr;
}

QThread* startedDisposalThread() {
    if (!disposalThread) {
        disposalThread = new QThread;
        disposalThread->setObjectName(QStringLiteral("DocumentDisposal"));
        disposalThread->start(QThread::LowestPriority);
        qAddPostRoutine(endDisposalThread);
    }
    return disposalThread;
}

// A document is moved with its children (its layout and its timers, its
// frames) and then deleted by the other thread's event loop.
void freeElsewhere(QTextDocument* document) {
    if (!QCoreApplication::instance()) {
        delete document;
        return;
    }
    document->moveToThread(startedDisposalThread());
    document->deleteLater();
}

// Holds the document until the event loop deletes it, which happens only
// once control is back at the loop level where it was handed over.
class Carrier : public QObject {
public:
    explicit Carrier(QTextDocument* document) : document_(document) {}
    ~Carrier() override {
        if (document_) freeElsewhere(document_);
    }

private:
    QPointer<QTextDocument> document_;
};

// Handed over and not yet freed.
std::vector<QPointer<Carrier>> waiting;

// Below this many characters a document is emptied in place.
constexpr int kLargeDocument = 1 << 20;

// Shows `document` in the pane, laid out in idle time; returns the pane's
// previous document, now without a parent (the pane would delete its first
// document on the spot) and no longer watched by the idle layout.
QTextDocument* swapIn(QTextEdit* pane, QTextDocument* document) {
    QTextDocument* old = pane->document();
    document->setUndoRedoEnabled(old->isUndoRedoEnabled());
    document->setParent(pane);
    old->setParent(nullptr);
    pane->setDocument(document);
    layOutWhenIdle(pane);
    return old;
}

}  // namespace

QTextDocument* documentLike(const QTextDocument& pane) {
    auto* document = new QTextDocument;
    document->setDefaultFont(pane.defaultFont());
    document->setDefaultTextOption(pane.defaultTextOption());
    document->setDocumentMargin(pane.documentMargin());
    document->setIndentWidth(pane.indentWidth());
    document->setDefaultStyleSheet(pane.defaultStyleSheet());
    document->setUndoRedoEnabled(false);
    return document;
}

void replaceDocument(QTextEdit* pane, QTextDocument* document) { disposeOfDocument(swapIn(pane, document)); }

void clearPane(QTextEdit* pane) {
    if (pane->document()->characterCount() < kLargeDocument) return pane->clear();
    const QTextCharFormat typing = pane->currentCharFormat();
    QTextDocument* old = swapIn(pane, documentLike(*pane->document()));
    pane->setCurrentCharFormat(typing);
    // Nothing reads it any more: it goes now, not after the command that
    // fills the pane again.
    freeElsewhere(old);
}

void disposeOfDocument(QTextDocument* document) {
    if (!document) return;
    document->setParent(nullptr);  // only an object without a parent may change threads
    if (!QCoreApplication::instance()) {
        delete document;
        return;
    }
    std::erase_if(waiting, [](const QPointer<Carrier>& carrier) { return carrier.isNull(); });
    auto* carrier = new Carrier(document);
    waiting.push_back(carrier);
    carrier->deleteLater();
}

void freeDisposedDocuments() {
    for (const QPointer<Carrier>& carrier : std::exchange(waiting, {})) delete carrier.data();
}

}  // namespace lettrica::app

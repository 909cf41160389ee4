#include "app/document/document_disposal.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTextDocument>
#include <QThread>

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

// Holds the document until the event loop deletes it, which happens only
// once control is back at the loop level where it was handed over.
class Carrier : public QObject {
public:
    explicit Carrier(QTextDocument* document) : document_(document) {}
    ~Carrier() override {
        if (!document_) return;
        // A document is moved with its children (its layout and its timers,
        // its frames) and then deleted by the other thread's event loop.
        document_->moveToThread(startedDisposalThread());
        document_->deleteLater();
    }

private:
    QPointer<QTextDocument> document_;
};

}  // namespace

void disposeOfDocument(QTextDocument* document) {
    if (!document) return;
    document->setParent(nullptr);  // only an object without a parent may change threads
    if (!QCoreApplication::instance()) {
        delete document;
        return;
    }
    (new Carrier(document))->deleteLater();
}

}  // namespace lettrica::app

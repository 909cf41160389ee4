#include "app/window/pane.h"

#include <QMimeData>
#include <QTextDocumentFragment>
#include <memory>

namespace lettrica::app {

namespace {

// A copy of a pane's selection: QTextEdit's own for the rich formats (HTML,
// OpenDocument), the pane's characters for plain text. Every format is made
// when it is asked for, as QTextEdit does, so copying a large pane is quick.
class PaneMimeData : public QMimeData {
public:
    PaneMimeData(QMimeData* rich, const QTextDocumentFragment& fragment) : rich_(rich), fragment_(fragment) {}

    QStringList formats() const override {
        QStringList all = rich_->formats();
        if (!all.contains(kPlain)) all.prepend(kPlain);
        return all;
    }
    bool hasFormat(const QString& mimeType) const override { return formats().contains(mimeType); }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override {
        if (mimeType == kPlain) return Pane::plainCopy(fragment_.toRawText());
        if (rich_->hasFormat(mimeType)) return rich_->data(mimeType);
        return QMimeData::retrieveData(mimeType, type);
    }

private:
    static inline const QString kPlain = QStringLiteral("text/plain");
    std::unique_ptr<QMimeData> rich_;
    QTextDocumentFragment fragment_;
};

}  // namespace

QString Pane::plainCopy(QString raw) {
    for (QChar& c : raw) {
        switch (c.unicode()) {
            case 0xfdd0:  // the start of a table cell or frame
            case 0xfdd1:  // the end of a table or frame
            case QChar::ParagraphSeparator:
            case QChar::LineSeparator: c = u'\n'; break;
            default: break;
        }
    }
    return raw;
}

QMimeData* Pane::createMimeDataFromSelection() const {
    QMimeData* rich = QTextEdit::createMimeDataFromSelection();
    if (!rich) return nullptr;
    return new PaneMimeData(rich, QTextDocumentFragment(textCursor()));
}

void Pane::insertFromMimeData(const QMimeData* source) {
    if (source && pasteHandler_ && pasteHandler_(*source)) return;
    QTextEdit::insertFromMimeData(source);
}

}  // namespace lettrica::app

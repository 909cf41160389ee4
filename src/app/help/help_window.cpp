#include "app/help/help_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace lettrica::app {

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), browser_(new QTextBrowser(this)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral(" Справка"));
    browser_->setObjectName(QStringLiteral("HelpBrowser"));
    browser_->setOpenExternalLinks(true);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = browser_->documentTitle();
        if (!title.isEmpty()) setWindowTitle(title);
    });

    QSize size(760, 680);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 9 / 10);
    resize(size);
}

void HelpWindow::showManual(const QString& file) {
    // Open already: it comes forward where the reader left it.
    if (!isVisible()) {
        const QUrl url = QUrl::fromLocalFile(file);
        if (browser_->source() == url) browser_->reload();
        else browser_->setSource(url);
        browser_->verticalScrollBar()->setValue(0);
        if (parentWidget())
            move(parentWidget()->screen()->availableGeometry().center() - rect().center());
    }
    if (isMinimized()) showNormal();
    show();
    raise();
    activateWindow();
    browser_->setFocus();
}

void HelpWindow::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) close();
    else QWidget::keyPressEvent(event);
}

}  // namespace lettrica::app

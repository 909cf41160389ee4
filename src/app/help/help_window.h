#pragma once
// The program's own window for its manual (HelpWindow). Help never hands the
// manual to the desktop's opener: on a desktop without a browser, xdg-open
// gives an HTML file to whatever opens plain text (Lettrica itself among
// them), which shows its source. Here it is always shown formatted. Links
// inside the manual are followed here (Alt+Left and Alt+Right go back and
// forth); links to the web and mailto: go to the desktop. Esc closes it.

#include <QWidget>

class QTextBrowser;

namespace lettrica::app {

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Brings the window forward; when it was closed, with `file` read anew
    // and shown from its start.
    void showManual(const QString& file);
    QTextBrowser* browser() const { return browser_; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QTextBrowser* browser_;
};

}  // namespace lettrica::app

#pragma once
// The commands of the "Справка" menu: help (also the help tool button and
// the tray menu's "Помощь"), about (also the tray menu's "О программе"), the
// web site and a letter to the author. Help shows the manual in the
// program's own help window; site and letter go to the desktop's opener
// (QDesktopServices, xdg-open on most desktops). When the opener fails, or
// when the manual is missing, nothing is shown.

#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

namespace lettrica::app {

class CommandTable;
class HelpWindow;

class InfoCommands : public QObject {
    Q_OBJECT
public:
    InfoCommands(const CommandTable& commands, QWidget* window);

    // The manual for an executable in `executableDir`: help.html beside it
    // (the build tree, a portable copy), else share/lettrica/help.html of the
    // prefix it is installed in. Empty when neither is a file.
    static QString helpFile(const QString& executableDir);
    // The about box's text, lines separated by '\n'.
    static QString aboutText();
    static QUrl siteUrl();
    // mailto: the support address, the subject "Lettrica <version>".
    static QUrl letterUrl();

    // Where help is looked for; the running executable's directory unless set.
    void setExecutableDir(const QString& dir) { executableDir_ = dir; }
    // The help window, once help has been shown.
    HelpWindow* helpWindow() const { return help_; }

public slots:
    void showHelp();
    void showAbout();
    void openWebSite();
    void writeToAuthor();

private:
    QWidget* window_;
    QString executableDir_;
    HelpWindow* help_ = nullptr;  // a child of the window
};

}  // namespace lettrica::app

#pragma once
// The commands of the "Справка" menu: help (also the help tool button and
// the tray menu's "Помощь"), about (also the tray menu's "О программе"), the
// web site and a letter to the author. Help, site and letter go to the desktop's opener
// (QDesktopServices, xdg-open on most desktops); when it fails, or when the
// help file is missing, nothing is shown.

#include <QObject>
#include <QString>
#include <QUrl>

class QWidget;

namespace lettrica::app {

class CommandTable;

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

public slots:
    void showHelp();
    void showAbout();
    void openWebSite();
    void writeToAuthor();

private:
    QString executableDir_;
};

}  // namespace lettrica::app

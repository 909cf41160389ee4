#include "app/help/info_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

#include "app/command_table.h"
#include "app/help/help_window.h"
#include "app/message_boxes.h"
#include "app/help/product_info.h"

namespace lettrica::app {

InfoCommands::InfoCommands(const CommandTable& commands, QWidget* window)
    : QObject(window), window_(window), executableDir_(QCoreApplication::applicationDirPath()) {
    setObjectName("InfoCommands");
    connect(commands[Command::Help], &QAction::triggered, this, &InfoCommands::showHelp);
    connect(commands[Command::HelpButton], &QAction::triggered, this, &InfoCommands::showHelp);
    connect(commands[Command::About], &QAction::triggered, this, &InfoCommands::showAbout);
    connect(commands[Command::WebSite], &QAction::triggered, this, &InfoCommands::openWebSite);
    connect(commands[Command::LetterToAuthor], &QAction::triggered, this, &InfoCommands::writeToAuthor);
}

QString InfoCommands::helpFile(const QString& executableDir) {
    const QDir dir(executableDir);
    for (const char* relative : {"help.html", LETTRICA_INSTALLED_HELP}) {
        const QFileInfo candidate(dir.filePath(QString::fromLatin1(relative)));
        if (candidate.isFile()) return QDir::cleanPath(candidate.absoluteFilePath());
    }
    return {};
}

QString InfoCommands::aboutText() {
    return QStringList{
        QStringLiteral("%1 %2 (%3)").arg(product::kName, product::kVersion, product::kDate),
        QString(),
        QStringLiteral("Author: %1").arg(product::kAuthor),
        QStringLiteral("Email: %1").arg(product::kSupportEmail),
        QStringLiteral("Web: %1").arg(product::kWebSite),
        QString(),
        QString::fromLatin1(product::kRights),
    }.join(QLatin1Char('\n'));
}

QUrl InfoCommands::siteUrl() { return QUrl(QString::fromLatin1(product::kWebSite)); }

QUrl InfoCommands::letterUrl() {
    // Spaces of the subject as %20, not '+', which mail programs would show.
    const QByteArray subject =
        QByteArray(product::kName).append(' ').append(product::kVersion).toPercentEncoding();
    return QUrl::fromEncoded("mailto:" + QByteArray(product::kSupportEmail) + "?subject=" + subject,
                             QUrl::StrictMode);
}

void InfoCommands::showHelp() {
    const QString file = helpFile(executableDir_);
    if (file.isEmpty()) return;
    if (!help_) help_ = new HelpWindow(window_);
    help_->showManual(file);
}

void InfoCommands::showAbout() {
    showMessage(QMessageBox::Information, QStringLiteral("About Lettrica"), aboutText());
}

void InfoCommands::openWebSite() { QDesktopServices::openUrl(siteUrl()); }

void InfoCommands::writeToAuthor() { QDesktopServices::openUrl(letterUrl()); }

}  // namespace lettrica::app

#include "app/tray/info_commands.h"

#include <QAction>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

#include "app/help/help_window.h"
#include "app/main_window.h"
#include "app/tray/product_info.h"

namespace lettrica::app {

InfoCommands::InfoCommands(MainWindow* window)
    : QObject(window), window_(window), executableDir_(QCoreApplication::applicationDirPath()) {
    setObjectName("InfoCommands");
    auto on = [this, window](const char* name, void (InfoCommands::*slot)()) {
        QAction* a = window->action(QString::fromLatin1(name));
        a->setEnabled(true);
        connect(a, &QAction::triggered, this, slot);
    };
    on("N12", &InfoCommands::N12Click);
    on("HelpButton", &InfoCommands::N12Click);
    on("N13", &InfoCommands::N13Click);
    on("N14", &InfoCommands::N14Click);
    on("N15", &InfoCommands::N15Click);
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

void InfoCommands::N12Click() {
    const QString file = helpFile(executableDir_);
    if (file.isEmpty()) return;
    if (!help_) help_ = new HelpWindow(window_);
    help_->showManual(file);
}

void InfoCommands::N13Click() {
    QMessageBox box(QMessageBox::Information, QStringLiteral("About Lettrica"), aboutText(), QMessageBox::Ok);
    box.setObjectName("MessageBox");
    box.exec();
}

void InfoCommands::N14Click() { QDesktopServices::openUrl(siteUrl()); }

void InfoCommands::N15Click() { QDesktopServices::openUrl(letterUrl()); }

}  // namespace lettrica::app

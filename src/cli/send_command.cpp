// send: mails files (or the standard input) as a plain-text message through
// an SMTP server, the way the desktop's send command does.

#include <QCoreApplication>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/io.h"
#include "mail/send_mail.h"
#include "text/cp1251.h"

namespace lettrica::cli {

namespace {

int integerOption(const Args& args, const std::string& option, int fallback, int low, int high) {
    const auto v = args.value(option);
    if (!v) return fallback;
    char* end = nullptr;
    const long n = std::strtol(v->c_str(), &end, 10);
    if (v->empty() || *end != '\0' || n < low || n > high)
        throw UsageError("bad value '" + *v + "' for " + option + " (expected " + std::to_string(low) + ".." +
                         std::to_string(high) + ")");
    return static_cast<int>(n);
}

QString readText(const std::string& path) {
    Input input(path);
    const bool utf8 = input.isUtf8();
    std::string bytes;
    std::string chunk(1 << 16, '\0');
    while (std::size_t n = input.read(chunk.data(), chunk.size())) bytes.append(chunk.data(), n);
    if (utf8) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const std::u16string text = lettrica::text::decodeCp1251(bytes);
    return QString::fromStdU16String(text);
}

QStringList bodyLines(const std::vector<std::string>& files) {
    QStringList lines;
    for (const std::string& file : files) {
        QString text = readText(file);
        text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        text.replace(u'\r', u'\n');
        QStringList fileLines = text.split(u'\n');
        if (!fileLines.isEmpty() && fileLines.last().isEmpty()) fileLines.removeLast();
        lines += fileLines;
    }
    return lines;
}

}  // namespace

int runSend(const std::vector<std::string>& argv) {
    Args args(argv, {"--to", "--host", "--port", "--login", "--name", "--from", "--timeout", "--tls"}, {"--auth"});
    const auto to = args.value("--to");
    if (!to || to->empty()) throw UsageError("--to ADDRESSES is required");

    mail::MailSettings settings;
    settings.host = QString::fromStdString(args.value("--host", settings.host.toStdString()));
    settings.port = integerOption(args, "--port", 25, 1, 65535);
    settings.timeOutSeconds = integerOption(args, "--timeout", 0, 0, 3600);
    if (auto v = args.value("--login")) settings.login = QString::fromStdString(*v);
    if (auto v = args.value("--name")) settings.userName = QString::fromStdString(*v);
    if (auto v = args.value("--from")) settings.email = QString::fromStdString(*v);
    else if (settings.login.contains(u'@')) settings.email = settings.login;
    if (args.flag("--auth")) {
        // Never on the command line, where other users could read it.
        const char* password = std::getenv("LETTRICA_SMTP_PASSWORD");
        if (!password) throw UsageError("--auth needs the password in LETTRICA_SMTP_PASSWORD");
        settings.authType = 1;
        settings.password = QString::fromUtf8(password);
    }
    std::optional<mail::TlsMode> tls;
    const std::string tlsChoice = args.choice("--tls", {"none", "starttls", "implicit"}, "");
    if (tlsChoice == "none") tls = mail::TlsMode::None;
    if (tlsChoice == "starttls") tls = mail::TlsMode::Explicit;
    if (tlsChoice == "implicit") tls = mail::TlsMode::Implicit;

    std::vector<std::string> files = args.operands();
    if (files.empty()) files.push_back("-");
    const QStringList lines = bodyLines(files);

    // The client waits in the Qt event loop, which needs an application object.
    std::unique_ptr<QCoreApplication> app;
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "lettrica-cli";
        static char* args0[] = {name, nullptr};
        app = std::make_unique<QCoreApplication>(argc, args0);
    }

    mail::SmtpClient client;
    mail::MailMessage message;
    try {
        mail::sendMail(client, message, settings, QString::fromStdString(*to), lines, tls);
    } catch (const mail::MailError& e) {
        std::fprintf(stderr, "Не удалось отправить письмо:\n%s\n", e.message().toUtf8().constData());
        return 1;
    }
    std::printf("Письмо отправлено.\n");
    return 0;
}

}  // namespace lettrica::cli

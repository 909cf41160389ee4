#include "test_server.h"

#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>

#include "text/cp1251.h"

namespace mailtest {

QByteArray StoredMessage::field(const QByteArray& name) const {
    for (qsizetype i = 0; i < header.size(); ++i) {
        const QByteArray& l = header[i];
        if (l.size() <= name.size() || l[name.size()] != ':' || qstrnicmp(l.constData(), name.constData(), name.size()))
            continue;
        QByteArray value = l.mid(name.size() + 1);
        if (value.startsWith(' ')) value.remove(0, 1);
        for (qsizetype j = i + 1; j < header.size() && (header[j].startsWith('\t') || header[j].startsWith(' ')); ++j)
            value += "\r\n" + header[j];
        return value;
    }
    return QByteArray();
}

QList<QByteArray> StoredMessage::fieldNames() const {
    QList<QByteArray> names;
    for (const QByteArray& l : header)
        if (!l.startsWith('\t') && !l.startsWith(' ')) names.append(l.left(l.indexOf(':')));
    return names;
}

StoredMessage parseStored(const QByteArray& raw) {
    StoredMessage m;
    const qsizetype split = raw.indexOf("\r\n\r\n");
    const QByteArray head = split < 0 ? raw : raw.left(split);
    QByteArray body = split < 0 ? QByteArray() : raw.mid(split + 4);
    m.header = head.split('\n');
    for (QByteArray& l : m.header)
        if (l.endsWith('\r')) l.chop(1);
    if (body.endsWith("\r\n")) body.chop(2);
    if (!body.isEmpty() || split >= 0) {
        m.body = body.split('\n');
        for (QByteArray& l : m.body)
            if (l.endsWith('\r')) l.chop(1);
    }
    return m;
}

TestServer::TestServer(const QStringList& args) {
    QStringList all{QStringLiteral(LETTRICA_SMTP_SERVER), QStringLiteral("--out"), out_.path()};
    all += args;
    process_.setProgram(QStringLiteral(LETTRICA_PYTHON));
    process_.setArguments(all);
    process_.start();
    QByteArray seen;
    while (process_.waitForReadyRead(15000)) {
        seen += process_.readAllStandardOutput();
        const qsizetype at = seen.indexOf("READY ");
        const qsizetype end = seen.indexOf('\n', at);
        if (at >= 0 && end > at) {
            port_ = static_cast<quint16>(seen.mid(at + 6, end - at - 6).trimmed().toUInt());
            return;
        }
    }
    failure_ = QStringLiteral("server did not start: ") + QString::fromLocal8Bit(seen) +
               QString::fromLocal8Bit(process_.readAllStandardError());
}

TestServer::~TestServer() {
    if (process_.state() != QProcess::NotRunning) {
        process_.terminate();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }
}

QList<QJsonObject> TestServer::events(const QString& kind) const {
    QList<QJsonObject> list;
    QFile f(out_.path() + QStringLiteral("/events.jsonl"));
    if (!f.open(QIODevice::ReadOnly)) return list;
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (kind.isEmpty() || o.value(QStringLiteral("event")).toString() == kind) list.append(o);
    }
    return list;
}

QStringList TestServer::commands() const {
    QStringList out;
    for (const QJsonObject& o : events(QStringLiteral("command"))) {
        QString c = o.value(QStringLiteral("command")).toString();
        const QString arg = o.value(QStringLiteral("arg")).toString();
        if (!arg.isEmpty()) c += u' ' + arg;
        out.append(c);
    }
    return out;
}

QByteArray TestServer::raw(const QJsonObject& message) const {
    QFile f(message.value(QStringLiteral("file")).toString());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QByteArray cp1251(const QString& s) {
    const auto r = lettrica::text::encodeCp1251(
        std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<size_t>(s.size())));
    return QByteArray(r.bytes.data(), static_cast<qsizetype>(r.bytes.size()));
}

quint16 freePort() {
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

}  // namespace mailtest

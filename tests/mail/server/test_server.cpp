#include "test_server.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTcpServer>
#include <gtest/gtest.h>

#include "text/cp1251.h"

namespace mailtest {

namespace {

void openssl(const QString& dir, const QStringList& args) {
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        ADD_FAILURE() << "openssl " << args.join(u' ').toStdString() << " failed: "
                      << p.readAllStandardError().toStdString();
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) ADD_FAILURE() << "cannot write " << path.toStdString();
    f.write(data);
}

const QStringList kEcKey = {QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};

// A key and a certificate request for `cn`.
void request(const QString& dir, const QString& name, const QString& cn) {
    openssl(dir, QStringList{QStringLiteral("req")} + kEcKey +
                     QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                                 name + QStringLiteral(".csr"), QStringLiteral("-subj"), QStringLiteral("/CN=") + cn});
}

void extensions(const QString& dir, const QString& name, const QString& san) {
    writeFile(dir + u'/' + name + QStringLiteral(".ext"),
              "basicConstraints=CA:FALSE\nkeyUsage=digitalSignature\nextendedKeyUsage=serverAuth\nsubjectAltName=" +
                  san.toLatin1() + "\n");
}

// Signs `name`.csr with the test CA.
void sign(const QString& dir, const QString& name, const QString& san) {
    extensions(dir, name, san);
    openssl(dir, {QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), name + QStringLiteral(".csr"),
                  QStringLiteral("-CA"), QStringLiteral("ca.pem"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                  QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                  QStringLiteral("-extfile"), name + QStringLiteral(".ext"), QStringLiteral("-out"),
                  name + QStringLiteral(".pem")});
}

Pki makePki() {
    static QTemporaryDir tmp;
    Pki p;
    p.dir = tmp.path();
    const QString d = p.dir;
    openssl(d, QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kEcKey +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("ca.key"), QStringLiteral("-out"),
                               QStringLiteral("ca.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=Lettrica Test CA")});
    request(d, QStringLiteral("server"), QStringLiteral("localhost"));
    sign(d, QStringLiteral("server"), QStringLiteral("DNS:localhost,IP:127.0.0.1"));
    request(d, QStringLiteral("wrong"), QStringLiteral("wrong.example"));
    sign(d, QStringLiteral("wrong"), QStringLiteral("DNS:wrong.example"));

    openssl(d, QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + kEcKey +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("self.key"), QStringLiteral("-out"),
                               QStringLiteral("self.pem"), QStringLiteral("-days"), QStringLiteral("2"),
                               QStringLiteral("-subj"), QStringLiteral("/CN=localhost"), QStringLiteral("-addext"),
                               QStringLiteral("subjectAltName=DNS:localhost,IP:127.0.0.1")});

    // A certificate whose validity ended long ago: "openssl ca" is the
    // command that accepts explicit dates.
    request(d, QStringLiteral("expired"), QStringLiteral("localhost"));
    extensions(d, QStringLiteral("expired"), QStringLiteral("DNS:localhost,IP:127.0.0.1"));
    writeFile(d + QStringLiteral("/index.txt"), "");
    writeFile(d + QStringLiteral("/serial"), "1000\n");
    writeFile(d + QStringLiteral("/ca.cnf"),
              "[ca]\ndefault_ca=test\n[test]\ndatabase=index.txt\nnew_certs_dir=.\nserial=serial\n"
              "default_md=sha256\npolicy=any\nunique_subject=no\n[any]\ncommonName=supplied\n");
    openssl(d, {QStringLiteral("ca"), QStringLiteral("-batch"), QStringLiteral("-config"), QStringLiteral("ca.cnf"),
                QStringLiteral("-cert"), QStringLiteral("ca.pem"), QStringLiteral("-keyfile"), QStringLiteral("ca.key"),
                QStringLiteral("-in"), QStringLiteral("expired.csr"), QStringLiteral("-out"),
                QStringLiteral("expired.pem"), QStringLiteral("-notext"), QStringLiteral("-startdate"),
                QStringLiteral("20200101000000Z"), QStringLiteral("-enddate"), QStringLiteral("20200201000000Z"),
                QStringLiteral("-extfile"), QStringLiteral("expired.ext")});

    QDir(d).mkdir(QStringLiteral("cadir"));
    QFile::copy(d + QStringLiteral("/ca.pem"), d + QStringLiteral("/cadir/ca.pem"));

    p.caCert = d + QStringLiteral("/ca.pem");
    p.caDir = d + QStringLiteral("/cadir");
    p.cert = d + QStringLiteral("/server.pem");
    p.key = d + QStringLiteral("/server.key");
    p.wrongHostCert = d + QStringLiteral("/wrong.pem");
    p.wrongHostKey = d + QStringLiteral("/wrong.key");
    p.selfSignedCert = d + QStringLiteral("/self.pem");
    p.selfSignedKey = d + QStringLiteral("/self.key");
    p.expiredCert = d + QStringLiteral("/expired.pem");
    p.expiredKey = d + QStringLiteral("/expired.key");
    return p;
}

}  // namespace

const Pki& Pki::get() {
    static const Pki pki = makePki();
    return pki;
}

void trustTestCa() {
    qputenv("SSL_CERT_FILE", Pki::get().caCert.toLocal8Bit());
    qunsetenv("SSL_CERT_DIR");
}

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

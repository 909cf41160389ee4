// The certificates of the server tests, made with openssl once per process.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "test_server.h"

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

}  // namespace mailtest

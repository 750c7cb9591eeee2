#include "demotestserver.h"
#include "rest/rest.h"
#include "support/testfiles.h"
#include "support/testserver.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
QByteArray demoSessionDownload(Rest& rest, int folderId, int documentId)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    rest.downloadDocument(folderId, documentId, buffer);
    return buffer.data();
}

template<typename Item> int demoSessionFind(const QList<Item>& items, const QString& name)
{
    for (const Item& item : items) {
        if (item.name() == name)
            return item.id();
    }
    return -1;
}
} // namespace

// The program's own session against the demo server over HTTPS; over HTTP the end-to-end tests of the
// upload and download workers run it.
class TestDemoSession : public QObject
{
    Q_OBJECT

private slots:
    void httpsWithTheServersAuthority();
};

// HTTPS alone, with the authority the server makes in its data folder and keeps across restarts.
void TestDemoSession::httpsWithTheServersAuthority()
{
    DemoTestServer server;
    server.config().httpPort = -1;
    server.config().tlsPort = 0;
    QVERIFY(server.start());
    QCOMPARE(server.server().httpPort(), -1);
    const QString authority = QString::fromStdString(server.server().caCertificatePath());
    QCOMPARE(QFileInfo(authority).dir().canonicalPath(), QDir(server.dataPath()).canonicalPath());
    QFile authorityFile(authority);
    QVERIFY(authorityFile.open(QIODevice::ReadOnly));
    const QByteArray authorityPem = authorityFile.readAll();
    authorityFile.close();

    // More than one TLS record, so that the body also takes the server's large reads.
    const QByteArray bytes = TestServer::patternBytes(20, 1024 * 1024 + 1);
    const QTemporaryDir files;
    const QString up = files.filePath(QStringLiteral("up.bin"));
    QVERIFY(writeTestFile(up, bytes));
    const auto session = [&](const QString& host, const QString& name) {
        const QString address = QStringLiteral("https://%1:%2").arg(host).arg(server.server().tlsPort());
        Rest::checkServer(address, authority);
        Rest rest(address, QStringLiteral("demo"), QStringLiteral("demo"), authority);
        const int project = rest.getProjects().at(0).id();
        const int drawings = demoSessionFind(rest.getProjectFolders(project), QStringLiteral("Drawings"));
        return demoSessionDownload(rest, drawings, rest.uploadDocument(drawings, name, QString(), 0, up).id())
            == bytes;
    };
    QVERIFY(session(QStringLiteral("127.0.0.1"), QStringLiteral("a.bin")));

    // A client that trusts the authority once trusts the server after every restart.
    server.config().tlsPort = server.server().tlsPort();
    QVERIFY(server.restart());
    QVERIFY(authorityFile.open(QIODevice::ReadOnly));
    QCOMPARE(authorityFile.readAll(), authorityPem);
    QVERIFY(session(QStringLiteral("localhost"), QStringLiteral("c.bin")));
}

QTEST_GUILESS_MAIN(TestDemoSession)
#include "tst_demosession.moc"

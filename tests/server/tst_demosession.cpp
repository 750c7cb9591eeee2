#include "demotestserver.h"
#include "model/jsonparser.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "support/testserver.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
bool demoSessionWriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

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

// The program's own session against the demo server: what the client sends is what the server takes,
// and what the server answers is what the client reads.
class TestDemoSession : public QObject
{
    Q_OBJECT

private slots:
    void wholeSession();
    void httpsWithTheServersAuthority();
};

// The project listing and a new folder, still there after a restart of the server. The other calls
// travel through the end-to-end tests of the upload and download workers.
void TestDemoSession::wholeSession()
{
    DemoTestServer server;
    QVERIFY(server.start());
    Rest::checkServer(server.baseUrl());
    Rest rest(server.baseUrl(), QStringLiteral("demo@torvex.example"), QStringLiteral("demo"));
    const QList<RestProject> projects = rest.getProjects();
    QCOMPARE(projects.size(), 4);
    const int project = demoSessionFind(projects, QStringLiteral("Harbour Bridge Renovation"));
    const QList<RestFolder> top = rest.getProjectFolders(project);
    QVERIFY(std::any_of(projects.begin(), projects.end(),
        [&](const RestProject& each) { return each.id() == project && each.childCount() == top.size(); }));
    const int drawings = demoSessionFind(top, QStringLiteral("Drawings"));

    // A folder as the upload worker makes it; quotes and braces travel escaped.
    const QString name = QStringLiteral("Survey \"2025\" {new}");
    const RestFolder created = rest.createDirectory(
        JSONParser::createDirectoryJson(name, QStringLiteral("documents"), drawings, 0, QString()), project);
    QCOMPARE(created.name(), name);
    QCOMPARE(created.path(), QStringLiteral("Drawings/") + name);

    // The same address after the restart; the sessions are gone and the keep-alive logon brings one back.
    server.config().httpPort = server.port();
    QVERIFY(server.restart());
    try {
        rest.getProjects();
        QFAIL("the session outlived the restart");
    } catch (const RestException& e) {
        QCOMPARE(e.response.statusCode, 401);
    }
    rest.logon();
    QCOMPARE(demoSessionFind(rest.getChildFolders(project, drawings), name), created.id());
    // Asked to seed again at the restart, the server left the data alone.
    QCOMPARE(rest.getProjects().size(), projects.size());
}

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
    QVERIFY(demoSessionWriteFile(up, bytes));
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

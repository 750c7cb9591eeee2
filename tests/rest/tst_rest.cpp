#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "support/fakeservice.h"
#include "support/testserver.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

// What a session operation may need: the session, the service's address and a local file.
struct SessionContext
{
    Rest& rest;
    QString server;
    QString file;
};
using SessionCall = std::function<void(const SessionContext&)>;
Q_DECLARE_METATYPE(SessionCall)

namespace {
void serveLogon(TestServer& server)
{
    server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
}

// Runs call on a logged-on session whose server then answers every request with reply, and tells
// how it ended: the exception with what it carries, or "returned".
QString outcome(const SessionCall& call, const TestReply& reply)
{
    TestServer server;
    serveLogon(server);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("file.bin"));
    QFile(file).open(QIODevice::WriteOnly);
    Rest session(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    server.on("GET", "/rest/Logon", reply);
    server.on("GET", "/rest/Logoff", reply);
    server.setFallback([reply](const RecordedRequest&) { return reply; });
    try {
        call(SessionContext { session, server.baseUrl(), file });
    } catch (const RestException& e) {
        return QStringLiteral("RestException %1 \"%2\"").arg(e.response.statusCode).arg(e.response.body);
    } catch (const CurlConnectionException& e) {
        return QStringLiteral("CurlConnectionException \"%1\"").arg(e.message);
    } catch (const std::exception&) {
        return QStringLiteral("another exception");
    }
    return QStringLiteral("returned");
}
} // namespace

class TestRest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyOperationFailsWithItsException_data();
    void everyOperationFailsWithItsException();
    void getProjectsCountsTheFoldersOfEachProjectUntilARefusal();
};

void TestRest::everyOperationFailsWithItsException_data()
{
    QTest::addColumn<QString>("operation"); // the client call, named in the transport failure's text
    QTest::addColumn<bool>("readsBody");
    QTest::addColumn<SessionCall>("call");
    const auto row = [](const char* name, const char* operation, bool readsBody, const SessionCall& call) {
        QTest::newRow(name) << QString::fromLatin1(operation) << readsBody << call;
    };
    using C = const SessionContext&;
    row("logon", "Logon", true, [](C c) { c.rest.logon(); });
    row("keep-alive logon", "Logon", true, [](C c) { c.rest.logonIfIdle(); });
    row("check server", "Logoff", true, [](C c) { Rest::checkServer(c.server); });
    row("projects", "GetProjects", true, [](C c) { c.rest.getProjects(); });
    row("project", "GetProject", true, [](C c) { c.rest.getProject(1); });
    row("project folders", "GetProjectFolders", true, [](C c) { c.rest.getProjectFolders(1); });
    row("child folders", "GetChildFolders", true, [](C c) { c.rest.getChildFolders(1, 2); });
    row("documents", "GetDocuments", true, [](C c) { c.rest.getDocuments(1); });
    row("statuses", "GetProjectStatusses", true, [](C c) { c.rest.getProjectStatusses(1); });
    row("folder access", "GetFolderAccess", true, [](C c) { c.rest.getFolderAccess(1); });
    row("contact", "GetContact", true, [](C c) { c.rest.getContact(1); });
    row("create folder", "CreateDirectory", true, [](C c) { c.rest.createDirectory("{}", 1); });
    row("upload", "UploadDocument", true, [](C c) { c.rest.uploadDocument(1, "a", "", 1, c.file); });
    row("revision", "UploadDocumentRevision", true,
        [](C c) { c.rest.uploadDocumentRevision(1, "a", "", 1, 2, c.file); });
    row("download", "DownloadDocument", false, [](C c) { c.rest.downloadDocument(1, 2, c.file); });
    row("download to device", "DownloadDocument", false, [](C c) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        c.rest.downloadDocument(1, 2, buffer);
    });
}

// Any status but 200 is refused with the response, and so is a 200 whose body cannot be read (for the
// logon: its answer in lower case); a broken transfer names the call. A download's body went into the
// file: its refusal carries none, and it has nothing to read.
void TestRest::everyOperationFailsWithItsException()
{
    QFETCH(QString, operation);
    QFETCH(bool, readsBody);
    QFETCH(SessionCall, call);
    QCOMPARE(outcome(call, TestReply::text(404, "Not here")),
        readsBody ? QStringLiteral("RestException 404 \"Not here\"")
                  : QStringLiteral("RestException 404 \"\""));
    QCOMPARE(outcome(call, TestReply::text(200, "logged on.")),
        readsBody ? QStringLiteral("RestException 200 \"logged on.\"") : QStringLiteral("returned"));
    QCOMPARE(outcome(call, FakeService::dropped()),
        "CurlConnectionException \"" + operation + " curl request failed\"");
}

void TestRest::getProjectsCountsTheFoldersOfEachProjectUntilARefusal()
{
    TestServer server;
    serveLogon(server);
    server.on("GET", "/rest/Projects",
        TestReply::text(200,
            R"([{"ObjectType":"Project","ID":3,"Name":"A","IsFree":false},)"
            R"({"ObjectType":"Project","ID":9,"Name":"B"}])"));
    server.on("GET", "/rest/Folders", [](const RecordedRequest& request) {
        return TestReply::text(200, request.target.find("p=3&") != std::string::npos ? "[{},{},{}]" : "[]");
    });
    Rest session(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    server.clearRequests();

    const QList<RestProject> projects = session.getProjects();
    QCOMPARE(projects.size(), 2);
    QCOMPARE(projects[0].childCount(), 3);
    QVERIFY(!projects[0].isFree());
    QCOMPARE(projects[1].childCount(), 0);
    QVERIFY(projects[1].isFree());
    const std::vector<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), size_t(3));
    QCOMPARE(requests[1].target, std::string("/rest/Folders?p=3&parent=0&a=tree"));
    QCOMPARE(requests[2].target, std::string("/rest/Folders?p=9&parent=0&a=tree"));

    // The first refused folder list ends the listing.
    server.on("GET", "/rest/Projects", TestReply::text(200, R"([{"ID":1},{"ID":2},{"ID":3}])"));
    server.on("GET", "/rest/Folders", [](const RecordedRequest& request) {
        return request.target.find("p=2&") != std::string::npos ? TestReply::text(403, "No access to 2")
                                                                : TestReply::text(200, "[]");
    });
    server.clearRequests();
    try {
        session.getProjects();
        QFAIL("no RestException");
    } catch (const RestException& e) {
        QCOMPARE(e.response.statusCode, 403);
        QCOMPARE(e.response.body, QStringLiteral("No access to 2"));
    }
    QCOMPARE(server.requests().size(), size_t(3));
}

QTEST_GUILESS_MAIN(TestRest)
#include "tst_rest.moc"

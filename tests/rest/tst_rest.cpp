#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "support/recorders.h"
#include "support/testserver.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using SessionCall = std::function<void(Rest&, const QString& file)>;
Q_DECLARE_METATYPE(SessionCall)

namespace {
void serveLogon(TestServer& server, const TestReply& logon = TestReply::text(200, "Logged on."))
{
    server.on("GET", "/rest/Logon", logon);
    server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
}

// Runs call on a session whose server gives reply to everything but the logon, and returns the
// response of the RestException it must raise.
RestResponse refusedResponse(const SessionCall& call, const TestReply& reply)
{
    TestServer server;
    serveLogon(server);
    server.setFallback([reply](const RecordedRequest&) { return reply; });
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("file.bin"));
    QFile(file).open(QIODevice::WriteOnly);
    Rest session(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    try {
        call(session, file);
    } catch (const RestException& e) {
        return e.response;
    }
    return RestResponse { -1, QStringLiteral("no RestException") };
}
} // namespace

class TestRest : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void logonAcceptsOnlyTheServiceAnswer_data();
    void logonAcceptsOnlyTheServiceAnswer();
    void destructionLogsOffAndStaysQuietWhenUnreachable();
    void checkServerProbesAnAnonymousLogoff();
    void everyOperationRefusesABadAnswer_data();
    void everyOperationRefusesABadAnswer();
    void operationsReturnTheParsedRecords();
    void getProjectsCountsTheFoldersOfEachProjectUntilARefusal();
    void keepAliveLogonJudgesTheAnswer();
};

void TestRest::logonAcceptsOnlyTheServiceAnswer_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << 200 << "Logged on." << true;
    QTest::newRow("with more text") << 200 << "Logged on. Welcome back" << true;
    QTest::newRow("lower case") << 200 << "logged on." << false;
    QTest::newRow("other page") << 200 << "<html>Login</html>" << false;
    QTest::newRow("refused") << 401 << "Logged on." << false;
}

void TestRest::logonAcceptsOnlyTheServiceAnswer()
{
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(bool, accepted);

    TestServer server;
    serveLogon(server, TestReply::text(status, body.toStdString()));
    try {
        Rest session(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
        QVERIFY(accepted);
    } catch (const RestException& e) {
        QVERIFY(!accepted);
        QCOMPARE(e.response.statusCode, status);
        QCOMPARE(e.response.body, body);
    }
}

void TestRest::destructionLogsOffAndStaysQuietWhenUnreachable()
{
    LineRecorder lines;
    {
        TestServer server;
        serveLogon(server);
        {
            Rest session(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
        }
        QCOMPARE(server.requests().back().path, std::string("/rest/Logoff"));
        QCOMPARE(lines.lines(), QStringList { QStringLiteral("Rest logoff()") });
    }
    lines.clear();
    auto server = std::make_unique<TestServer>();
    serveLogon(*server);
    auto session = std::make_unique<Rest>(server->baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    server.reset();
    session.reset();
    QVERIFY(!lines.contains(QStringLiteral("Rest logoff()")));
}

void TestRest::checkServerProbesAnAnonymousLogoff()
{
    TestServer service;
    service.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    Rest::checkServer(service.baseUrl());
    QCOMPARE(service.requests().at(0).target, std::string("/rest/Logoff"));

    TestServer website;
    website.setFallback([](const RecordedRequest&) { return TestReply::text(200, "<html>Welcome</html>"); });
    QVERIFY_THROWS_EXCEPTION(RestException, Rest::checkServer(website.baseUrl()));

    int closedPort;
    {
        TestServer closed;
        closedPort = closed.port();
    }
    QVERIFY_THROWS_EXCEPTION(
        CurlConnectionException, Rest::checkServer(QStringLiteral("http://127.0.0.1:%1").arg(closedPort)));
}

void TestRest::everyOperationRefusesABadAnswer_data()
{
    QTest::addColumn<SessionCall>("call");
    QTest::newRow("projects") << SessionCall([](Rest& r, const QString&) { r.getProjects(); });
    QTest::newRow("project") << SessionCall([](Rest& r, const QString&) { r.getProject(1); });
    QTest::newRow("project folders") << SessionCall([](Rest& r, const QString&) { r.getProjectFolders(1); });
    QTest::newRow("child folders") << SessionCall([](Rest& r, const QString&) { r.getChildFolders(1, 2); });
    QTest::newRow("documents") << SessionCall([](Rest& r, const QString&) { r.getDocuments(1); });
    QTest::newRow("statuses") << SessionCall([](Rest& r, const QString&) { r.getProjectStatusses(1); });
    QTest::newRow("folder access") << SessionCall([](Rest& r, const QString&) { r.getFolderAccess(1); });
    QTest::newRow("contact") << SessionCall([](Rest& r, const QString&) { r.getContact(1); });
    QTest::newRow("create folder") << SessionCall(
        [](Rest& r, const QString&) { r.createDirectory("{}", 1); });
    QTest::newRow("upload") << SessionCall(
        [](Rest& r, const QString& f) { r.uploadDocument(1, "a", "", 1, f); });
    QTest::newRow("revision") << SessionCall(
        [](Rest& r, const QString& f) { r.uploadDocumentRevision(1, "a", "", 1, 2, f); });
    QTest::newRow("download") << SessionCall([](Rest& r, const QString& f) { r.downloadDocument(1, 2, f); });
}

// Any status but 200 is refused, and so is a 200 whose body cannot be read (the download has none to
// read: its body went into the file, so its exception carries none either).
void TestRest::everyOperationRefusesABadAnswer()
{
    QFETCH(SessionCall, call);
    const bool download = QByteArray(QTest::currentDataTag()) == "download";
    const RestResponse refused = refusedResponse(call, TestReply::text(404, "Not here"));
    QCOMPARE(refused.statusCode, 404);
    QCOMPARE(refused.body, download ? QString() : QStringLiteral("Not here"));
    if (download)
        return;
    const RestResponse unreadable = refusedResponse(call, TestReply::text(200, "<html>maintenance</html>"));
    QCOMPARE(unreadable.statusCode, 200);
    QCOMPARE(unreadable.body, QStringLiteral("<html>maintenance</html>"));
}

void TestRest::operationsReturnTheParsedRecords()
{
    TestServer server;
    serveLogon(server);
    server.on("GET", "/rest/Documents",
        TestReply::text(200, R"([{"ObjectType":"Document","ID":4,"Name":"a.pdf","Size":5368709120}])"));
    server.on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanAdd":true,"CanDownload":false})"));
    server.on(
        "POST", "/rest/Folders", TestReply::text(200, R"({"ObjectType":"Folder","ID":77,"Name":"New"})"));
    Rest session(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));

    const QList<RestDocument> documents = session.getDocuments(3);
    QCOMPARE(documents.size(), 1);
    QCOMPARE(documents[0].name(), QStringLiteral("a.pdf"));
    QCOMPARE(documents[0].size(), Q_INT64_C(5368709120));
    const RestFolderAccess access = session.getFolderAccess(3);
    QVERIFY(access.canAdd());
    QVERIFY(!access.canDownload());
    QCOMPARE(session.createDirectory(QStringLiteral("{}"), 1).id(), 77);
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

    server.on("GET", "/rest/Projects", TestReply::text(200, "[]"));
    server.clearRequests();
    QVERIFY(session.getProjects().isEmpty());
    QCOMPARE(server.requests().size(), size_t(1));

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

void TestRest::keepAliveLogonJudgesTheAnswer()
{
    TestServer server;
    serveLogon(server);
    Rest session(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    QVERIFY(session.logonIfIdle());
    server.on("GET", "/rest/Logon", TestReply::text(401, "Session expired"));
    QVERIFY_THROWS_EXCEPTION(RestException, session.logonIfIdle());
    QVERIFY_THROWS_EXCEPTION(RestException, session.logon());
}

QTEST_GUILESS_MAIN(TestRest)
#include "tst_rest.moc"

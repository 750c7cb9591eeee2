#include "demotestclient.h"
#include "demotestserver.h"
#include "support/rawsocket.h"
#include "support/testserver.h"

#include <QJsonDocument>
#include <QTest>

#include <memory>

namespace {
std::string withId(const char* target, int id)
{
    return target + std::to_string(id);
}

// Bytes that differ from one seed to another.
std::string pattern(std::size_t size, unsigned seed)
{
    return TestServer::patternBytes(std::uint64_t(seed) * 7919u, size).toStdString();
}

std::string folderBody(const std::string& name, int parentId, const std::string& extra = std::string())
{
    return "{\"Name\":\"" + name + "\",\"Type\":\"documents\",\"ParentID\":" + std::to_string(parentId)
        + ",\"AfterID\":0" + extra + "}";
}

// A folder's access with every flag set, as the client sends it in a new folder.
const char* const allFlags
    = ",\"FolderAccess\":{\"ObjectType\":\"\",\"CanViewOwn\":true,\"CanView\":true,"
      "\"CanPrint\":true,\"CanDownload\":true,\"CanAdd\":true,\"CanAddRevisionToOwn\":true,"
      "\"CanAddRevision\":true,\"CanAnnotate\":true,\"CanEditOwn\":true,\"CanEdit\":true,"
      "\"CanDeleteOwn\":true,\"CanDelete\":true,\"CanAddWorkflowToOwn\":true,"
      "\"CanAddWorkflow\":true,\"CanAddSubfolder\":true,\"CanAddFormToOwn\":true,"
      "\"CanAddForm\":true,\"IsAdmin\":true}";
} // namespace

// The demo server through raw HTTP requests: sessions, the answers' JSON, folder creation, uploads and
// downloads, the access flags, what bad input gets, and the conditions of real use: broken and refused
// uploads, a full disk, several clients at once, and stopping in the middle of transfers.
class TestDemoServer : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void logonAndLogoff();
    void createsFolders();
    void uploadsRevisionsAndDownloads();
    void permissionsFollowTheAccessFlags();
    void refusesBadInput_data();
    void refusesBadInput();
    void brokenUploadLeavesNoDocument_data();
    void brokenUploadLeavesNoDocument();
    void refusedUploadIsAnsweredBeforeItsBody();
    void hostileRequestEndsItsConnection_data();
    void hostileRequestEndsItsConnection();
    void slowClientsHoldNobodyUp();
    void fullDiskRefusesUploads();
    void stopEndsRunningTransfers();

private:
    QByteArray uploadHead(const std::string& cookie, const std::string& name, const QByteArray& framing);

    std::unique_ptr<DemoTestServer> m_server;
    std::unique_ptr<DemoTestClient> m_demo;
    int m_bridge = 0;
    int m_drawings = 0;
};

void TestDemoServer::init()
{
    m_server = std::make_unique<DemoTestServer>();
    QVERIFY(m_server->start());
    m_demo = std::make_unique<DemoTestClient>(m_server->port());
    QVERIFY(m_demo->logon("demo", "demo"));
    m_bridge = m_demo->projectId(QStringLiteral("Harbour Bridge Renovation"));
    m_drawings = m_demo->folderId(m_bridge, QStringLiteral("Drawings"));
    QVERIFY(m_drawings > 0);
}

void TestDemoServer::cleanup()
{
    m_demo.reset();
    m_server.reset();
}

void TestDemoServer::logonAndLogoff()
{
    DemoTestClient client(m_server->port());
    const DemoTestClient::Reply logon = client.get("/rest/Logon?u=Demo%40TORVEX.example&p=demo");
    QCOMPARE(logon.status, 200);
    QVERIFY(logon.headers.find("Set-Cookie")->second.find("HttpOnly") != std::string::npos);
    QVERIFY(client.logon("demo@torvex.example", "demo"));
    const std::string session = client.cookie();

    // The keep-alive logon on a live session keeps that session.
    QVERIFY(client.logon("demo", "demo"));
    QCOMPARE(client.cookie(), session);
    QCOMPARE(client.get("/rest/Projects").status, 200);

    // Another user on the same connection gets a session of his own.
    QVERIFY(client.logon("guest", "guest"));
    QVERIFY(client.cookie() != session);
    client.setCookie(session);
    QCOMPARE(client.get("/rest/Projects").status, 401);

    QVERIFY(client.logon("demo", "demo"));
    QCOMPARE(client.get("/rest/Logoff").body, std::string("Logged off."));
    QCOMPARE(client.get("/rest/Projects").status, 401);
}

void TestDemoServer::createsFolders()
{
    const std::string target = withId("/rest/Folders?p=", m_bridge);
    // Quotes and braces travel escaped, in the body and in the answer.
    const QString path = QStringLiteral("Drawings/Sketches \"2025\" {new}");
    const DemoTestClient::Reply created
        = m_demo->post(target, folderBody(R"(Sketches \"2025\" {new})", m_drawings));
    QCOMPARE(created.status, 200);
    QCOMPARE(created.object()["Path"].toString(), path);
    const int sketches = created.object()["ID"].toInt();
    QCOMPARE(m_demo->folderId(m_bridge, path), sketches);
    // The upload worker adopts a folder of that name by this exact text.
    const DemoTestClient::Reply taken
        = m_demo->post(target, folderBody(R"(Sketches \"2025\" {new})", m_drawings));
    QCOMPARE(taken.status, 409);
    QCOMPARE(taken.body, std::string("Folder with that name exists already"));
    // Letter case makes another name, as for the client.
    QCOMPARE(m_demo->post(target, folderBody(R"(sketches \"2025\" {new})", m_drawings)).status, 200);

    // An administrator's top-level folder with the rights given in the body, placed after a sibling.
    const DemoTestClient::Reply top = m_demo->post(target,
        "{\"Name\":\"Archive\",\"Type\":\"binder\",\"ParentID\":0,\"AfterID\":" + std::to_string(m_drawings)
            + ",\"FolderAccess\":{\"CanView\":true,\"CanAdd\":true}}");
    QCOMPARE(top.status, 200);
    const int archive = top.object()["ID"].toInt();
    const QJsonObject access = m_demo->get(withId("/rest/FolderAccess?f=", archive)).object();
    // Exactly the keys the client reads.
    QCOMPARE(access.keys(),
        QJsonDocument::fromJson(QByteArray("{") + (allFlags + 1) + "}")["FolderAccess"].toObject().keys());
    QCOMPARE(access["CanView"], QJsonValue(true));
    QCOMPARE(access["CanAdd"], QJsonValue(true));
    QCOMPARE(access["CanDownload"], QJsonValue(false));
    const QJsonArray order = m_demo->folders(m_bridge, 0);
    QCOMPARE(order.at(0)["ID"].toInt(), m_drawings);
    QCOMPARE(order.at(1)["ID"].toInt(), archive);

    // After a restart on the same port the sessions are gone and the folders are still there: the server,
    // asked to seed again, left the data alone.
    const qsizetype projects = m_demo->get("/rest/Projects").array().size();
    m_server->config().httpPort = m_server->port();
    QVERIFY(m_server->restart());
    QCOMPARE(m_demo->get("/rest/Projects").status, 401);
    QVERIFY(m_demo->logon("demo", "demo"));
    QCOMPARE(m_demo->folderId(m_bridge, path), sketches);
    QCOMPARE(m_demo->get("/rest/Projects").array().size(), projects);
}

void TestDemoServer::uploadsRevisionsAndDownloads()
{
    // Three blocks of the server's file reader, the last one partial.
    const std::string first = pattern(9 * 1024 * 1024 + 17, 1);
    // Quotes, braces and control characters travel through the query and back escaped in JSON; the
    // longest description the server takes, 10,000 characters of up to three bytes, makes a query of 80 KB.
    const std::string name = "Road \"plan\" {v1}.dwg";
    std::string description = "line one\nline \"two\" \\ tab\t end";
    const std::size_t ascii = description.size();
    for (std::size_t i = ascii; i < 10000; ++i)
        description += "\xe2\x82\xac";
    const DemoTestClient::Reply uploaded
        = m_demo->postChunked(DemoTestClient::uploadTarget(m_drawings, name, 1, 0, description), first);
    QCOMPARE(uploaded.status, 200);
    const QJsonObject document = uploaded.object();
    const int id = document["ID"].toInt();
    QCOMPARE(document["Size"].toInteger(), qint64(first.size()));
    QCOMPARE(document["StatusID"].toInt(), 1);
    QCOMPARE(document["Name"].toString(), QString::fromStdString(name));
    QCOMPARE(document["Description"].toString(), QString::fromStdString(description));

    // Whole, and a part across blocks, as a resumed download asks for it.
    const std::string download = DemoTestClient::downloadTarget(m_drawings, id);
    QVERIFY(m_demo->get(download).body == first);
    const DemoTestClient::Reply part = m_demo->get(download, { { "Range", "bytes=4000000-8999999" } });
    QCOMPARE(part.status, 206);
    QVERIFY(part.body == first.substr(4000000, 5000000));

    // The empty body is a revision too, and its download is the current revision.
    const DemoTestClient::Reply revised
        = m_demo->postChunked(DemoTestClient::uploadTarget(m_drawings, name, 0, id), std::string());
    QCOMPARE(revised.object()["RevisionNr"].toInt(), 2);
    QVERIFY(revised.object()["RevisionID"].toInt() != document["RevisionID"].toInt());
    QCOMPARE(m_demo->get(download).body.size(), std::size_t(0));
    QCOMPARE(m_demo->document(m_drawings, QString::fromStdString(name))["NrRevisions"].toInt(), 2);

    // A revision of a document of another folder.
    const int site = m_demo->folderId(m_bridge, QStringLiteral("Drawings/Site"));
    QCOMPARE(m_demo->post(DemoTestClient::uploadTarget(site, name, 0, id), std::string("x")).status, 404);
}

void TestDemoServer::permissionsFollowTheAccessFlags()
{
    DemoTestClient guest(m_server->port());
    QVERIFY(guest.logon("guest", "guest"));
    const std::string folders = withId("/rest/Folders?p=", m_bridge);
    const int photos = guest.folderId(m_bridge, QStringLiteral("Site photos"));
    const int requirements = guest.folderId(m_bridge, QStringLiteral("Requirements"));
    const int contracts = guest.folderId(m_bridge, QStringLiteral("Contracts"));
    const int uploads = guest.folderId(m_bridge, QStringLiteral("Subcontractor uploads"));

    // Folders: not at the top without being an administrator; below only with CanAddSubfolder.
    QCOMPARE(guest.post(folders, folderBody("Mine", 0)).status, 403);
    QCOMPARE(guest.post(folders, folderBody("Mine", m_drawings)).status, 403);
    // Every flag asked for in the body: a member gets no more than his rights on the parent.
    const DemoTestClient::Reply subfolder = guest.post(folders, folderBody("Mine", photos, allFlags));
    QCOMPARE(subfolder.status, 200);
    QCOMPARE(guest.get(withId("/rest/FolderAccess?f=", subfolder.object()["ID"].toInt())).body,
        guest.get(withId("/rest/FolderAccess?f=", photos)).body);
    // An administrator needs no CanAddSubfolder, as the client assumes.
    QCOMPARE(m_demo->post(folders, folderBody("Inspections", photos)).status, 200);

    // Documents: CanAdd for a new one, CanAddRevision or CanAddRevisionToOwn for a revision.
    QCOMPARE(guest.post(DemoTestClient::uploadTarget(m_drawings, "new.txt"), "x").status, 403);
    const DemoTestClient::Reply own = guest.post(DemoTestClient::uploadTarget(requirements, "own.txt"), "x");
    QCOMPARE(own.status, 200);
    const int ownId = own.object()["ID"].toInt();
    QCOMPARE(guest.post(DemoTestClient::uploadTarget(requirements, "own.txt", 0, ownId), "y").status, 200);
    const int foreign = guest.document(requirements, QStringLiteral("Steel works.docx"))["ID"].toInt();
    QCOMPARE(
        guest.post(DemoTestClient::uploadTarget(requirements, "Steel works.docx", 0, foreign), "y").status,
        403);
    // The same document with CanAddRevision: the administrator.
    QCOMPARE(m_demo->post(DemoTestClient::uploadTarget(requirements, "own.txt", 0, ownId), "z").status, 200);

    // Listing needs CanView, or CanViewOwn for one's own documents.
    QCOMPARE(guest.get(withId("/rest/Documents?f=", contracts)).status, 403);
    const QJsonArray mine = guest.get(withId("/rest/Documents?f=", uploads)).array();
    QCOMPARE(mine.size(), 1);
    QCOMPARE(mine.at(0)["Name"].toString(), QStringLiteral("Scaffolding inspection.pdf"));
    QCOMPARE(m_demo->get(withId("/rest/Documents?f=", uploads)).array().size(), 2);

    // Download needs CanDownload, whoever the author.
    const int photo = guest.document(photos, QStringLiteral("Pier 3 cracks.png"))["ID"].toInt();
    QCOMPARE(guest.get(DemoTestClient::downloadTarget(photos, photo)).status, 403);
    const int drawing = guest.document(m_drawings, QStringLiteral("General arrangement.pdf"))["ID"].toInt();
    QCOMPARE(guest.get(DemoTestClient::downloadTarget(m_drawings, drawing)).status, 200);

    // Projects the guest is no member of.
    const int depot = m_demo->projectId(QStringLiteral("Tramdepot Zürich-Oerlikon"));
    QCOMPARE(guest.get(withId("/rest/Folders?p=", depot) + "&parent=0").status, 403);
    const int overview = m_demo->folderId(depot, QStringLiteral("Übersicht"));
    QCOMPARE(guest.post(DemoTestClient::uploadTarget(overview, "x.txt"), "x").status, 403);
}

void TestDemoServer::refusesBadInput_data()
{
    QTest::addColumn<QByteArray>("method");
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<int>("status");

    // {p} is the project, {f} the folder Drawings, {mail} a folder of type mail, {d} a document of {f}.
    const auto get = [](const char* tag, const char* target, int status) {
        QTest::newRow(tag) << QByteArray("GET") << QByteArray(target) << QByteArray() << status;
    };
    get("wrong password", "/rest/Logon?u=demo&p=wrong", 401);
    get("logon without password", "/rest/Logon?u=demo", 400);
    get("project not a number", "/rest/Folders?p=abc&parent=0", 400);
    get("unknown project", "/rest/Folders?p=99999&parent=0", 404);
    get("document of another folder", "/protected/Document.download?f={mail}&r={d}", 404);
    get("unknown call", "/rest/Nothing", 404);

    const auto folder = [](const char* tag, const char* body, int status) {
        QTest::newRow(tag) << QByteArray("POST") << QByteArray("/rest/Folders?p={p}") << QByteArray(body)
                           << status;
    };
    folder("malformed JSON", "{\"Name\":", 400);
    folder("dot dot", "{\"Name\":\"..\",\"ParentID\":{f}}", 400);
    folder("flag not a boolean", "{\"Name\":\"x\",\"ParentID\":0,\"FolderAccess\":{\"CanView\":1}}", 400);
    QTest::newRow("body beyond 64 KiB")
        << QByteArray("POST") << QByteArray("/rest/Folders?p={p}") << QByteArray(70000, ' ') << 413;

    const auto upload = [](const char* tag, const char* target, int status) {
        QTest::newRow(tag) << QByteArray("POST") << QByteArray(target) << QByteArray("contents") << status;
    };
    upload("upload without name", "/rest/Documents?f={f}&Description=&StatusID=0", 400);
    upload("upload with unknown status", "/rest/Documents?f={f}&Name=a.txt&Description=&StatusID=999", 400);
    upload("upload named with a slash", "/rest/Documents?f={f}&Name=a%2Fb&Description=&StatusID=0", 400);
    upload("upload into a mail folder", "/rest/Documents?f={mail}&Name=a.txt&Description=&StatusID=0", 400);
    // A query of 90 KB reaches the handler: 10,001 characters of three bytes each, one too many.
    QByteArray description;
    for (int i = 0; i < 10001; ++i)
        description += "%E2%82%AC";
    QTest::newRow("description beyond 10000 characters")
        << QByteArray("POST") << "/rest/Documents?f={f}&Name=a.txt&StatusID=0&Description=" + description
        << QByteArray("contents") << 400;
    upload("name taken", "/rest/Documents?f={f}&Name=General%20arrangement.pdf&Description=&StatusID=0", 409);
    upload("revision of unknown document", "/rest/Documents?f={f}&Name=a.txt&Description=&StatusID=0&r=99999",
        404);
}

// Every refusal comes with a readable text, leaves the folder as it was, and the session goes on.
void TestDemoServer::refusesBadInput()
{
    QFETCH(QByteArray, method);
    QFETCH(QByteArray, target);
    QFETCH(QByteArray, body);
    QFETCH(int, status);

    const int mail = m_demo->folderId(m_bridge, QStringLiteral("Correspondence"));
    const int document
        = m_demo->document(m_drawings, QStringLiteral("General arrangement.pdf"))["ID"].toInt();
    const auto expand = [&](QByteArray text) {
        return text.replace("{p}", QByteArray::number(m_bridge))
            .replace("{f}", QByteArray::number(m_drawings))
            .replace("{mail}", QByteArray::number(mail))
            .replace("{d}", QByteArray::number(document))
            .toStdString();
    };
    const auto snapshot = [&] {
        return QJsonArray { m_demo->folders(m_bridge, 0), m_demo->folders(m_bridge, m_drawings),
            m_demo->get(withId("/rest/Documents?f=", m_drawings)).array() };
    };
    const QJsonArray before = snapshot();

    const DemoTestClient::Reply reply
        = method == "GET" ? m_demo->get(expand(target)) : m_demo->post(expand(target), body.toStdString());
    QCOMPARE(reply.status, status);
    QVERIFY(!reply.body.empty());
    QCOMPARE(snapshot(), before);
    QCOMPARE(m_server->temporaryFileCount(), 0);
}

QByteArray TestDemoServer::uploadHead(
    const std::string& cookie, const std::string& name, const QByteArray& framing)
{
    return QByteArray::fromStdString("POST " + DemoTestClient::uploadTarget(m_drawings, name)
               + " HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookie + "\r\n")
        + framing + "\r\n";
}

void TestDemoServer::brokenUploadLeavesNoDocument_data()
{
    QTest::addColumn<QByteArray>("framing");
    QTest::addColumn<QByteArray>("partialBody");
    const QByteArray half(512 * 1024, 'h');
    QTest::newRow("declared length") << QByteArray("Content-Length: 4194304\r\n") << half;
    QTest::newRow("chunked") << QByteArray("Transfer-Encoding: chunked\r\n")
                             << "80000\r\n" + half + "\r\n100000\r\nab";
}

void TestDemoServer::brokenUploadLeavesNoDocument()
{
    QFETCH(QByteArray, framing);
    QFETCH(QByteArray, partialBody);
    {
        RawSocket connection(m_server->port());
        QVERIFY(connection.isConnected());
        QVERIFY(connection.send(uploadHead(m_demo->cookie(), "broken.bin", framing)));
        QVERIFY(connection.send(partialBody));
        QTRY_COMPARE(m_server->temporaryFileCount(), 1);
    }
    QTRY_COMPARE(m_server->temporaryFileCount(), 0);
    QVERIFY(m_demo->document(m_drawings, QStringLiteral("broken.bin")).isEmpty());
    // The name is free for a whole upload.
    QCOMPARE(m_demo->post(DemoTestClient::uploadTarget(m_drawings, "broken.bin"), "whole").status, 200);
}

void TestDemoServer::refusedUploadIsAnsweredBeforeItsBody()
{
    DemoTestClient guest(m_server->port());
    QVERIFY(guest.logon("guest", "guest"));
    const QByteArray expect = "Content-Length: 104857600\r\nExpect: 100-continue\r\n";

    RawSocket refused(m_server->port());
    QVERIFY(refused.send(uploadHead(guest.cookie(), "big.bin", expect)));
    const QByteArray answer = refused.readHead();
    QVERIFY2(answer.startsWith("HTTP/1.1 403"), answer.constData());

    RawSocket accepted(m_server->port());
    QVERIFY(accepted.send(uploadHead(m_demo->cookie(), "big.bin", expect)));
    QCOMPARE(accepted.readHead(), QByteArray("HTTP/1.1 100 Continue\r\n\r\n"));
}

void TestDemoServer::hostileRequestEndsItsConnection_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("status");
    // The leftover request must not be answered, nor run.
    QTest::newRow("malformed request line")
        << QByteArray("NONSENSE\r\nGET /rest/Logoff HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
        << QByteArray("400");
    QByteArray large("GET /rest/Projects HTTP/1.1\r\n");
    for (int i = 0; i < 200; ++i)
        large += "X-Filler-" + QByteArray::number(i) + ": " + QByteArray(1000, 'f') + "\r\n";
    QTest::newRow("headers beyond the limit") << large + "\r\n" << QByteArray("431");
}

void TestDemoServer::hostileRequestEndsItsConnection()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, status);
    RawSocket connection(m_server->port());
    QVERIFY(connection.send(request));
    const QByteArray answer = connection.read();
    QVERIFY2(answer.startsWith("HTTP/1.1 " + status), answer.constData());
    QCOMPARE(answer.count("HTTP/1.1"), 1);
    QVERIFY(connection.atEnd());
}

void TestDemoServer::slowClientsHoldNobodyUp()
{
    m_server->config().headTimeoutSeconds = 1;
    QVERIFY(m_server->restart());
    // More clients than the server has threads, each sending its headers a byte at a time.
    std::vector<std::unique_ptr<RawSocket>> slow;
    for (int i = 0; i < 40; ++i) {
        slow.push_back(std::make_unique<RawSocket>(m_server->port()));
        slow.back()->send("GET /rest/Projects HTTP/1.1\r\nX-Slow: ");
    }
    RawSocket client(m_server->port());
    QVERIFY(client.send("GET /rest/Projects HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    QByteArray answer;
    for (int round = 0; round < 40 && answer.isEmpty(); ++round) {
        for (const auto& connection : slow)
            connection->send("s");
        answer = client.readHead(250);
    }
    QVERIFY2(answer.startsWith("HTTP/1.1 401"), answer.constData());
}

void TestDemoServer::fullDiskRefusesUploads()
{
    m_server->config().reservedDiskBytes = std::uint64_t(1) << 62;
    QVERIFY(m_server->restart());
    DemoTestClient client(m_server->port());
    QVERIFY(client.logon("demo", "demo"));

    const DemoTestClient::Reply declared
        = client.post(DemoTestClient::uploadTarget(m_drawings, "declared.bin"), pattern(1024 * 1024, 1));
    QCOMPARE(declared.status, 507);
    QVERIFY(!declared.body.empty());
    const DemoTestClient::Reply chunked = client.postChunked(
        DemoTestClient::uploadTarget(m_drawings, "chunked.bin"), pattern(9 * 1024 * 1024, 2));
    QCOMPARE(chunked.status, 507);
    QCOMPARE(m_server->temporaryFileCount(), 0);
    QVERIFY(client.document(m_drawings, QStringLiteral("declared.bin")).isEmpty());
    QVERIFY(client.document(m_drawings, QStringLiteral("chunked.bin")).isEmpty());
}

void TestDemoServer::stopEndsRunningTransfers()
{
    const std::string contents = pattern(8 * 1024 * 1024, 30);
    const DemoTestClient::Reply uploaded
        = m_demo->post(DemoTestClient::uploadTarget(m_drawings, "large.bin"), contents);
    QCOMPARE(uploaded.status, 200);

    // A download whose client does not read, and an upload whose client stopped sending.
    RawSocket download(m_server->port());
    QVERIFY(download.send(QByteArray::fromStdString("GET "
        + DemoTestClient::downloadTarget(m_drawings, uploaded.object()["ID"].toInt())
        + " HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + m_demo->cookie() + "\r\n\r\n")));
    QVERIFY(download.readHead().startsWith("HTTP/1.1 200"));
    RawSocket upload(m_server->port());
    QVERIFY(upload.send(uploadHead(m_demo->cookie(), "stalled.bin", "Content-Length: 1000000\r\n")));
    QVERIFY(upload.send(QByteArray(1000, 'u')));
    QTRY_COMPARE(m_server->temporaryFileCount(), 1);

    m_server->stop();
    QCOMPARE(m_server->temporaryFileCount(), 0);
}

QTEST_GUILESS_MAIN(TestDemoServer)
#include "tst_demoserver.moc"

#include "model/jsonparser.h"
#include "rest/canceltoken.h"
#include "rest/rest.h"
#include "support/recorders.h"
#include "support/testserver.h"
#include "transfer/downloadlistbuilder.h"

#include <QUrlQuery>
#include <QtTest>

#include <map>
#include <memory>
#include <mutex>

namespace {
QString downloadListFolder(int id, const QString& name, const QString& type)
{
    return RestFolder(QStringLiteral("Folder"), id, name, name, type, 0, 1, QString(), 0, 0).toJson();
}

QString downloadListDocument(int id, const QString& name, int folderId, int statusId)
{
    return QStringLiteral(R"({"ObjectType":"Document","ID":%1,"Name":"%2","FolderID":%3,"StatusID":%4,)"
                          R"("Description":"about %2"})")
        .arg(id)
        .arg(name)
        .arg(folderId)
        .arg(statusId);
}

TestReply downloadListReply(const QStringList& elements)
{
    return TestReply::text(200, ("[" + elements.join(',') + "]").toStdString());
}

RestProject downloadListBridge()
{
    RestProject project;
    project.setObjectType(QStringLiteral("Project"));
    project.setId(1);
    project.setName(QStringLiteral("Bridge"));
    return project;
}

// What the list holds, one line per item: kind, name, remote path, local folder (the target as "T"),
// children.
QStringList downloadListOutline(const QList<DownloadItem>& items, QString target)
{
    if (target.endsWith('/'))
        target.chop(1);
    QStringList lines;
    for (const DownloadItem& item : items) {
        QStringList children;
        for (int child : item.children())
            children << QString::number(child);
        lines << item.objectType() + ' ' + item.name() + " | " + item.path() + " | "
                + QString(item.localDir()).replace(target, QStringLiteral("T")) + " | " + children.join(',');
    }
    return lines;
}
} // namespace

class TestDownloadListBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void projectIsWalkedInPreOrder();
    void refusalsAreReportedOncePerKindAndAConnectionFailureEndsTheWalk_data();
    void refusalsAreReportedOncePerKindAndAConnectionFailureEndsTheWalk();
    void endlessTreeStopsAtTheDepthLimitAndCancelStopsTheWalk();
    void payloadEntriesOfEveryKindKeepOddNamesInsideTheTarget();

private:
    void serve(const std::string& target, TestReply reply)
    {
        std::lock_guard<std::mutex> lock(m_repliesMutex);
        m_replies[target] = std::move(reply);
    }
    void serveBridge();

    std::unique_ptr<TestServer> m_server;
    std::unique_ptr<Rest> m_rest;
    std::mutex m_repliesMutex;
    std::map<std::string, TestReply> m_replies;
};

void TestDownloadListBuilder::init()
{
    m_replies.clear();
    m_server = std::make_unique<TestServer>();
    m_server->on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server->on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    m_server->setFallback([this](const RecordedRequest& request) {
        std::lock_guard<std::mutex> lock(m_repliesMutex);
        const auto found = m_replies.find(request.target);
        return found != m_replies.end() ? found->second : TestReply::text(200, "[]");
    });
    m_rest = std::make_unique<Rest>(m_server->baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    m_server->clearRequests();
}

void TestDownloadListBuilder::cleanup()
{
    m_rest.reset();
    m_server.reset();
}

// Project 1 "Bridge": "Plans" (documents) holds "Details" (documents, one document) and two documents;
// "Mail" (mail) holds "Inbox" and would hold a document that is never asked for. The separator lines
// that the server lists among the folders are not walked.
void TestDownloadListBuilder::serveBridge()
{
    serve("/rest/Folders?p=1&parent=0&a=tree",
        downloadListReply({ downloadListFolder(10, "Plans", "documents"),
            downloadListFolder(30, "(separator)", "separator"), downloadListFolder(20, "Mail", "mail") }));
    serve("/rest/Folders?p=1&parent=10&a=tree",
        downloadListReply({ downloadListFolder(11, "Details", "documents") }));
    serve("/rest/Folders?p=1&parent=20&a=tree",
        downloadListReply(
            { downloadListFolder(21, "Inbox", "mail"), downloadListFolder(31, "(separator)", "separator") }));
    serve("/rest/Documents?f=10",
        downloadListReply(
            { downloadListDocument(100, "plan.pdf", 10, 2), downloadListDocument(101, "cut.dwg", 10, 9) }));
    serve("/rest/Documents?f=11", downloadListReply({ downloadListDocument(110, "d.txt", 11, 1) }));
    serve("/rest/Documents?f=20", downloadListReply({ downloadListDocument(200, "m.eml", 20, 1) }));
    serve("/rest/DocumentStatus?p=1",
        TestReply::text(
            200, R"([{"ID":1,"Name":"Draft"},{"ID":2,"Name":"Final"},{"ID":2,"Name":"Approved"}])"));
}

// Into a target that ends with "/", which gets no second one.
void TestDownloadListBuilder::projectIsWalkedInPreOrder()
{
    const QString target = QStringLiteral("/home/u/Downloads/");
    serveBridge();
    DownloadListBuilder builder(*m_rest);
    builder.addProjectItems(downloadListBridge(), target);

    const QList<DownloadItem> items = builder.items();
    const QStringList expected { "Project Bridge |  | T/ | 1,6", "Folder Plans | Bridge | T/Bridge | 2,4,5",
        "Folder Details | Bridge/Plans | T/Bridge/Plans | 3",
        "Document d.txt | Bridge/Plans/Details | T/Bridge/Plans/Details | ",
        "Document plan.pdf | Bridge/Plans | T/Bridge/Plans | ",
        "Document cut.dwg | Bridge/Plans | T/Bridge/Plans | ", "Folder Mail | Bridge | T/Bridge | 7",
        "Folder Inbox | Bridge/Mail | T/Bridge/Mail | " };
    QCOMPARE(downloadListOutline(items, target), expected);
    QCOMPARE(builder.folderCount(), 5);
    QCOMPARE(builder.fileCount(), 3);

    // What the worker needs of each document; a later duplicate status ID wins, an unknown one shows nothing.
    QStringList fields;
    for (const int row : { 3, 4, 5 })
        fields << QStringLiteral("%1 %2 %3 [%4]")
                      .arg(items[row].id())
                      .arg(items[row].folderId())
                      .arg(items[row].description(), items[row].statusName());
    QCOMPARE(fields,
        QStringList(
            { "110 11 about d.txt [Draft]", "100 10 about plan.pdf [Approved]", "101 10 about cut.dwg []" }));
    QVERIFY(builder.failures().isEmpty());
}

void TestDownloadListBuilder::refusalsAreReportedOncePerKindAndAConnectionFailureEndsTheWalk_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("connection");
    QTest::addColumn<QStringList>("failures");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("documents refused")
        << "/rest/Documents?f=10" << false
        << QStringList { "An error occured while retreiving the documents of a folder. Error message: boom" }
        << QStringList { "Bridge", "Plans", "Details", "d.txt", "Mail", "Inbox" };
    QTest::newRow("subfolders, connection")
        << "/rest/Folders?p=1&parent=10&a=tree" << true << QStringList { "Unable to connect to server." }
        << QStringList { "Bridge", "Plans" };
    // A failed status list is asked for again with the next document, and told about once.
    QTest::newRow("statuses refused")
        << "/rest/DocumentStatus?p=1" << false
        << QStringList { "An error occured while retreiving the project statuses. Error message: boom" }
        << QStringList { "Bridge", "Plans", "Details", "d.txt", "plan.pdf", "cut.dwg", "Mail", "Inbox" };
}

void TestDownloadListBuilder::refusalsAreReportedOncePerKindAndAConnectionFailureEndsTheWalk()
{
    QFETCH(QString, target);
    QFETCH(bool, connection);
    QFETCH(QStringList, failures);
    QFETCH(QStringList, names);
    serveBridge();
    TestReply failure = TestReply::text(connection ? 200 : 500, connection ? "[]" : "boom");
    if (connection)
        failure.dropAfter = 0;
    serve(target.toStdString(), failure);
    DownloadListBuilder builder(*m_rest);
    builder.addProjectItems(downloadListBridge(), QStringLiteral("/t"));
    builder.addProjectItems(downloadListBridge(), QStringLiteral("/u"));

    QStringList listed;
    for (const DownloadItem& item : builder.items())
        listed << item.name();
    QCOMPARE(listed, connection ? names : names + names);
    QCOMPARE(builder.failures(), failures);
    QCOMPARE(builder.connectionLost(), connection);
    QCOMPARE(builder.folderCount() + builder.fileCount(), int(listed.size()));
    const std::size_t statusRequests = m_server->requests("/rest/DocumentStatus").size();
    QCOMPARE(statusRequests, std::size_t(target.contains("Status") ? 6 : connection ? 0 : 1));
}

// Every folder lists one more inside it: the walk lists 256 levels, says why it stopped, and keeps no
// more than one frame per level; a folder listed inside itself is not walked again. A canceled walk
// stops before its next request.
void TestDownloadListBuilder::endlessTreeStopsAtTheDepthLimitAndCancelStopsTheWalk()
{
    const auto level = [](int id) {
        return RestFolder(QStringLiteral("Folder"), id, QStringLiteral("level"), QString(),
            QStringLiteral("binder"), 0, 1, QString(), 0, 0);
    };
    m_server->on("GET", "/rest/Folders", [](const RecordedRequest& request) {
        const int parent = QUrlQuery(QUrl(QString::fromStdString("http://h" + request.target)))
                               .queryItemValue(QStringLiteral("parent"))
                               .toInt();
        // Folder 1000 lists folder 999, which lists it again.
        const int child = parent == 1000 ? 999 : parent + 1;
        return downloadListReply({ downloadListFolder(child, "level", "binder") });
    });
    LineRecorder lines;
    DownloadListBuilder builder(*m_rest);
    builder.addFolderItems(level(1), QStringLiteral("/t"), QStringLiteral("P"), -1);
    QCOMPARE(builder.folderCount(), DownloadListBuilder::maxDepth);
    QCOMPARE(
        builder.items().last().localDir().count(QStringLiteral("/level")), DownloadListBuilder::maxDepth - 1);
    QCOMPARE(builder.failures(),
        QStringList {
            QStringLiteral("Some folders lie more than 256 folders deep; they are not downloaded.") });
    QVERIFY(lines.lines().last().startsWith(
        QStringLiteral("Folder skipped, it lies more than 256 folders deep: P/level/")));
    QCOMPARE(m_server->requests("/rest/Folders").size(), std::size_t(DownloadListBuilder::maxDepth));

    DownloadListBuilder looped(*m_rest);
    looped.addFolderItems(level(999), QStringLiteral("/t"), QStringLiteral("P"), -1);
    QCOMPARE(looped.items().size(), 2);
    QCOMPARE(
        lines.lines().last(), QStringLiteral("Folder skipped, the server lists it inside itself: level"));

    m_server->clearRequests();
    CancelToken cancel;
    DownloadListBuilder canceled(*m_rest, cancel);
    canceled.setProgress([&cancel](const QString&, int folders, int) {
        if (folders == 3)
            cancel.cancel();
    });
    QVERIFY_THROWS_EXCEPTION(
        JobCanceled, canceled.addFolderItems(level(1), QStringLiteral("/t"), QStringLiteral("P"), -1));
    QCOMPARE(m_server->requests("/rest/Folders").size(), std::size_t(2));
}

// A folder and a document dragged together, with names that hold braces, quotes and separators, among
// entries that are no record of either kind and are skipped.
void TestDownloadListBuilder::payloadEntriesOfEveryKindKeepOddNamesInsideTheTarget()
{
    serve("/rest/DocumentStatus?p=7", TestReply::text(200, R"([{"ID":2,"Name":"Seven"}])"));
    serve("/rest/Documents?f=40",
        downloadListReply({ downloadListDocument(401, "../../escape.txt", 40, 0),
            downloadListDocument(402, "..", 40, 0) }));
    const QString folderName = QStringLiteral("a}b \"quoted\" \\ {c}");
    const RestFolder folder(QStringLiteral("Folder"), 40, folderName, QStringLiteral("x"),
        QStringLiteral("documents"), 0, 5, QString(), 0, 0);
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setId(500);
    document.setName(QStringLiteral("r}e\"port/1.txt"));
    document.setFolderId(41);
    document.setStatusId(2);
    const QString container = QStringLiteral("Pro}ject \"P\"/sub");
    RestDocument noId;
    noId.setObjectType(QStringLiteral("Document"));
    noId.setName(QStringLiteral("a.txt"));
    const QStringList entries { QStringLiteral("plain text"), folder.toJson() + container,
        QStringLiteral("{\"ObjectType\":\"Project\""), noId.toJson(),
        noId.toJson() + QStringLiteral("not a record"),
        QStringLiteral("{\"ObjectType\":\"Contact\",\"ID\":3}{\"ProjectID\":1}"), QString(),
        document.toJson() + JSONParser::dragItemJson(7, container) };

    LineRecorder lines;
    DownloadListBuilder builder(*m_rest);
    for (const QString& entry : entries)
        builder.addEntry(entry, QStringLiteral("/t"));
    QCOMPARE(lines.lines().filter(QStringLiteral("Dropped item skipped")).size(), 6);
    const QList<DownloadItem> items = builder.items();
    QCOMPARE(downloadListOutline(items, QStringLiteral("/t")),
        QStringList({ "Folder " + folderName + " | " + container + " | T | 1,2",
            // Separators cannot lead out of the target; ".." stays and fails in the worker.
            "Document .._.._escape.txt | " + container + '/' + folderName + " | T/" + folderName + " | ",
            "Document .. | " + container + '/' + folderName + " | T/" + folderName + " | ",
            "Document r}e\"port_1.txt | " + container + " | T | " }));
    QCOMPARE(items[3].folderId(), 41);
    QCOMPARE(items[3].statusName(), QStringLiteral("Seven"));
}

QTEST_MAIN(TestDownloadListBuilder)
#include "tst_downloadlistbuilder.moc"

#include "local/downloadlistbuilder.h"
#include "model/jsonparser.h"
#include "rest/rest.h"
#include "support/recorders.h"
#include "support/testserver.h"

#include <QDataStream>
#include <QtTest>

#include <map>
#include <memory>
#include <mutex>

namespace {
std::string downloadListFolderJson(int id, const QString& name, const QString& type, int projectId = 1)
{
    return RestFolder(QStringLiteral("Folder"), id, name, name, type, 0, projectId, QString(), 0, 0)
        .toJson()
        .toStdString();
}

std::string downloadListDocumentJson(int id, const QString& name, int folderId, int statusId)
{
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setId(id);
    document.setName(name);
    document.setFolderId(folderId);
    document.setStatusId(statusId);
    document.setDescription(QStringLiteral("about ") + name);
    return document.toJson().toStdString();
}

std::string downloadListArray(std::initializer_list<std::string> elements)
{
    std::string json = "[";
    for (const std::string& element : elements)
        json += (json.size() > 1 ? "," : "") + element;
    return json + "]";
}

QByteArray downloadListPayload(const QStringList& entries)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    for (const QString& entry : entries)
        stream << entry;
    return payload;
}

// What the list holds, one line per item: kind, name, remote path, local folder, children.
QStringList downloadListOutline(const QList<DownloadItem>& items, const QString& target)
{
    QStringList lines;
    for (const DownloadItem& item : items) {
        QStringList children;
        for (int child : item.children())
            children << QString::number(child);
        QString localDir = item.localDir();
        QString base = target;
        if (base.endsWith('/'))
            base.chop(1);
        if (localDir.startsWith(base))
            localDir = QStringLiteral("T") + localDir.mid(base.size());
        lines << item.objectType() + ' ' + item.name() + " | " + item.path() + " | " + localDir + " | "
                + children.join(',');
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

    void projectIsWalkedInPreOrder_data();
    void projectIsWalkedInPreOrder();
    void everyFailedCallIsReportedAndTheWalkGoesOn_data();
    void everyFailedCallIsReportedAndTheWalkGoesOn();
    void failedStatusListIsAskedAgainForTheNextDocument();
    void payloadEntriesOfEveryKind();
    void namesWithBracesQuotesAndSeparatorsSurviveTheDrag();
    void malformedEntriesAreSkipped();
    void folderListedInsideItselfIsNotWalkedAgain();

private:
    void serve(const std::string& target, TestReply reply);
    void serveBridge();
    QStringList requestTargets() const;

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

void TestDownloadListBuilder::serve(const std::string& target, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_repliesMutex);
    m_replies[target] = std::move(reply);
}

// Project 1 "Bridge": "Plans" (documents) holds "Details" (documents, one document) and two documents;
// "Mail" (mail) holds "Inbox" and would hold a document that is never asked for. The separator lines
// that the server lists among the folders are not walked.
void TestDownloadListBuilder::serveBridge()
{
    serve("/rest/Folders?p=1&parent=0&a=tree",
        TestReply::text(200,
            downloadListArray({ downloadListFolderJson(10, "Plans", "documents"),
                downloadListFolderJson(30, "(separator)", "separator"),
                downloadListFolderJson(20, "Mail", "mail") })));
    serve("/rest/Folders?p=1&parent=10&a=tree",
        TestReply::text(200, downloadListArray({ downloadListFolderJson(11, "Details", "documents") })));
    serve("/rest/Folders?p=1&parent=20&a=tree",
        TestReply::text(200,
            downloadListArray({ downloadListFolderJson(21, "Inbox", "mail"),
                downloadListFolderJson(31, "(separator)", "separator") })));
    serve("/rest/Documents?f=10",
        TestReply::text(200,
            downloadListArray({ downloadListDocumentJson(100, "plan.pdf", 10, 2),
                downloadListDocumentJson(101, "cut.dwg", 10, 9) })));
    serve("/rest/Documents?f=11",
        TestReply::text(200, downloadListArray({ downloadListDocumentJson(110, "d.txt", 11, 1) })));
    serve("/rest/Documents?f=20",
        TestReply::text(200, downloadListArray({ downloadListDocumentJson(200, "m.eml", 20, 1) })));
    serve("/rest/DocumentStatus?p=1",
        TestReply::text(
            200, R"([{"ID":1,"Name":"Draft"},{"ID":2,"Name":"Final"},{"ID":2,"Name":"Approved"}])"));
}

QStringList TestDownloadListBuilder::requestTargets() const
{
    QStringList targets;
    for (const RecordedRequest& request : m_server->requests())
        targets << QString::fromStdString(request.target);
    return targets;
}

void TestDownloadListBuilder::projectIsWalkedInPreOrder_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("plain") << "/home/u/Downloads";
    QTest::newRow("trailing slash") << "/home/u/Downloads/";
}

void TestDownloadListBuilder::projectIsWalkedInPreOrder()
{
    QFETCH(QString, target);
    serveBridge();
    BoxRecorder boxes;
    DownloadListBuilder builder(m_rest.get());
    RestProject project;
    project.setObjectType(QStringLiteral("Project"));
    project.setId(1);
    project.setName(QStringLiteral("Bridge"));
    builder.addProjectItems(project, target);

    const QList<DownloadItem> items = builder.items();
    QStringList expected { "Project Bridge |  | T | 1,6", "Folder Plans | Bridge | T/Bridge | 2,4,5",
        "Folder Details | Bridge/Plans | T/Bridge/Plans | 3",
        "Document d.txt | Bridge/Plans/Details | T/Bridge/Plans/Details | ",
        "Document plan.pdf | Bridge/Plans | T/Bridge/Plans | ",
        "Document cut.dwg | Bridge/Plans | T/Bridge/Plans | ", "Folder Mail | Bridge | T/Bridge | 7",
        "Folder Inbox | Bridge/Mail | T/Bridge/Mail | " };
    // No second "/" after a target that ends with one.
    if (target.endsWith('/'))
        expected[0] = "Project Bridge |  | T/ | 1,6";
    QCOMPARE(downloadListOutline(items, target), expected);
    QCOMPARE(builder.folderCount(), 5);
    QCOMPARE(builder.fileCount(), 3);

    const DownloadItem& plans = items[1];
    QCOMPARE(plans.folderType(), QStringLiteral("documents"));
    QCOMPARE(plans.id(), 10);
    QCOMPARE(plans.folderId(), 0);
    const DownloadItem& plan = items[4];
    QCOMPARE(plan.id(), 100);
    QCOMPARE(plan.folderId(), 10);
    QCOMPARE(plan.description(), QStringLiteral("about plan.pdf"));
    QCOMPARE(plan.statusName(), QStringLiteral("Approved")); // a later duplicate ID wins
    QCOMPARE(items[5].statusName(), QString()); // an ID the project does not have
    QCOMPARE(items[3].statusName(), QStringLiteral("Draft"));
    for (const DownloadItem& item : items) {
        QCOMPARE(item.status().code(), int(ModelItemStatus::Listed));
        QVERIFY(item.status().text().isEmpty());
    }
    QCOMPARE(items[0].path(), QString());
    QCOMPARE(items[0].folderType(), QString());

    // Subfolders before documents, no documents of other folder types, the statuses asked once.
    QCOMPARE(requestTargets(),
        QStringList({ "/rest/Folders?p=1&parent=0&a=tree", "/rest/Folders?p=1&parent=10&a=tree",
            "/rest/Folders?p=1&parent=11&a=tree", "/rest/Documents?f=11", "/rest/DocumentStatus?p=1",
            "/rest/Documents?f=10", "/rest/Folders?p=1&parent=20&a=tree",
            "/rest/Folders?p=1&parent=21&a=tree" }));
    QVERIFY(boxes.texts().isEmpty());
}

void TestDownloadListBuilder::everyFailedCallIsReportedAndTheWalkGoesOn_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("connection");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("box");
    QTest::addColumn<QStringList>("names");

    const QStringList all { "Bridge", "Plans", "Details", "d.txt", "plan.pdf", "cut.dwg", "Mail", "Inbox" };
    QTest::newRow("project folders")
        << "/rest/Folders?p=1&parent=0&a=tree" << false
        << "RestException while retreiving the folders of a project. ResponseCode: 500, Response: boom"
        << "An error occured while retreiving the folders within a project. Error message: boom"
        << QStringList { "Bridge" };
    QTest::newRow("project folders, connection")
        << "/rest/Folders?p=1&parent=0&a=tree" << true
        << "Connection error while retreiving the folders of a project"
        << "Unable to connect to server." << QStringList { "Bridge" };
    QTest::newRow("subfolders")
        << "/rest/Folders?p=1&parent=10&a=tree" << false
        << "RestException while retreiving the subfolder of a folder. ResponseCode: 500, Response: boom"
        << "An error occured while retreiving the subfolders of a folder. Error message: boom"
        << QStringList { "Bridge", "Plans", "plan.pdf", "cut.dwg", "Mail", "Inbox" };
    QTest::newRow("subfolders, connection")
        << "/rest/Folders?p=1&parent=10&a=tree" << true
        << "Connection error while retreiving the subfolders of a folder"
        << "Unable to connect to server."
        << QStringList { "Bridge", "Plans", "plan.pdf", "cut.dwg", "Mail", "Inbox" };
    QTest::newRow("documents")
        << "/rest/Documents?f=10" << false
        << "RestException while retreiving the documents of a folder. ResponseCode: 500, Response: boom"
        << "An error occured while retreiving the documents of a folder. Error message: boom"
        << QStringList { "Bridge", "Plans", "Details", "d.txt", "Mail", "Inbox" };
    QTest::newRow("documents, connection")
        << "/rest/Documents?f=10" << true << "Connection error while retreiving the documents of a folder"
        << "Unable to connect to server."
        << QStringList { "Bridge", "Plans", "Details", "d.txt", "Mail", "Inbox" };
    QTest::newRow("subfolders of a folder without documents")
        << "/rest/Folders?p=1&parent=20&a=tree" << false
        << "RestException while retreiving the subfolder of a folder. ResponseCode: 500, Response: boom"
        << "An error occured while retreiving the subfolders of a folder. Error message: boom"
        << all.mid(0, 7);
}

void TestDownloadListBuilder::everyFailedCallIsReportedAndTheWalkGoesOn()
{
    QFETCH(QString, target);
    QFETCH(bool, connection);
    QFETCH(QString, line);
    QFETCH(QString, box);
    QFETCH(QStringList, names);
    serveBridge();
    TestReply failure = TestReply::text(500, "boom");
    if (connection) {
        failure = TestReply::text(200, "[]");
        failure.dropAfter = 0;
    }
    serve(target.toStdString(), failure);
    BoxRecorder boxes;
    LineRecorder lines;
    DownloadListBuilder builder(m_rest.get());
    RestProject project;
    project.setObjectType(QStringLiteral("Project"));
    project.setId(1);
    project.setName(QStringLiteral("Bridge"));
    builder.addProjectItems(project, QStringLiteral("/t"));

    QStringList listed;
    for (const DownloadItem& item : builder.items())
        listed << item.name();
    QCOMPARE(listed, names);
    QCOMPARE(boxes.texts(), QStringList { box });
    QVERIFY2(lines.contains(line), qPrintable(lines.lines().join('\n')));
    QCOMPARE(builder.folderCount() + builder.fileCount(), int(names.size()));
}

void TestDownloadListBuilder::failedStatusListIsAskedAgainForTheNextDocument()
{
    serveBridge();
    serve("/rest/DocumentStatus?p=1", TestReply::text(403, "no"));
    BoxRecorder boxes;
    LineRecorder lines;
    DownloadListBuilder builder(m_rest.get());
    RestFolder plans(QStringLiteral("Folder"), 10, QStringLiteral("Plans"), QStringLiteral("Plans"),
        QStringLiteral("documents"), 0, 1, QString(), 0, 0);
    builder.addFolderItems(plans, QStringLiteral("/t"), QStringLiteral("Bridge"), -1);

    QCOMPARE(builder.fileCount(), 3);
    for (const DownloadItem& item : builder.items())
        QCOMPARE(item.statusName(), QString());
    QCOMPARE(boxes.texts(),
        QStringList(
            3, QStringLiteral("An error occured while retreiving the project statuses. Error message: no")));
    QVERIFY(lines.contains(
        "RestException while retreiving the project statuses. ResponseCode: 403, Response: no"));
    QCOMPARE(m_server->requests("/rest/DocumentStatus").size(), std::size_t(3));
}

void TestDownloadListBuilder::payloadEntriesOfEveryKind()
{
    serveBridge();
    serve("/rest/DocumentStatus?p=7", TestReply::text(200, R"([{"ID":2,"Name":"Seven"}])"));
    RestProject project;
    project.setObjectType(QStringLiteral("Project"));
    project.setId(1);
    project.setName(QStringLiteral("Bridge"));
    RestFolder mail(QStringLiteral("Folder"), 20, QStringLiteral("Mail"), QStringLiteral("Top/Mail"),
        QStringLiteral("mail"), 0, 1, QString(), 0, 0);
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setId(300);
    document.setName(QStringLiteral("loose.txt"));
    document.setFolderId(30);
    document.setStatusId(2);
    const QStringList entries { project.toJson(), mail.toJson() + QStringLiteral("Bridge/Top"),
        document.toJson() + JSONParser::dragItemJson(7, QStringLiteral("Other/Folder")) };
    QCOMPARE(DownloadListBuilder::readPayload(downloadListPayload(entries)), entries);

    DownloadListBuilder builder(m_rest.get());
    for (const QString& entry : entries)
        builder.addEntry(entry, QStringLiteral("/t"));
    const QList<DownloadItem> items = builder.items();
    QCOMPARE(items.size(), 8 + 2 + 1);
    QCOMPARE(items[0].name(), QStringLiteral("Bridge"));
    const DownloadItem& droppedFolder = items[8];
    QCOMPARE(droppedFolder.name(), QStringLiteral("Mail"));
    QCOMPARE(droppedFolder.path(), QStringLiteral("Bridge/Top"));
    QCOMPARE(droppedFolder.localDir(), QStringLiteral("/t"));
    QCOMPARE(items[9].path(), QStringLiteral("Bridge/Top/Mail"));
    QCOMPARE(items[9].localDir(), QStringLiteral("/t/Mail"));
    const DownloadItem& droppedDocument = items[10];
    QCOMPARE(droppedDocument.name(), QStringLiteral("loose.txt"));
    QCOMPARE(droppedDocument.path(), QStringLiteral("Other/Folder"));
    QCOMPARE(droppedDocument.localDir(), QStringLiteral("/t"));
    QCOMPARE(droppedDocument.folderId(), 30);
    QCOMPARE(droppedDocument.statusName(), QStringLiteral("Seven"));
    QVERIFY(droppedDocument.children().isEmpty());
    QCOMPARE(builder.folderCount(), 7);
    QCOMPARE(builder.fileCount(), 4);
}

void TestDownloadListBuilder::namesWithBracesQuotesAndSeparatorsSurviveTheDrag()
{
    const QString folderName = QStringLiteral("a}b \"quoted\" \\ {c}");
    RestFolder folder(QStringLiteral("Folder"), 40, folderName, QStringLiteral("x"),
        QStringLiteral("documents"), 0, 5, QString(), 0, 0);
    serve("/rest/Documents?f=40",
        TestReply::text(200,
            downloadListArray({ downloadListDocumentJson(401, "../../escape.txt", 40, 0),
                downloadListDocumentJson(402, "..", 40, 0) })));
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setId(500);
    document.setName(QStringLiteral("r}e\"port/1.txt"));
    document.setFolderId(41);
    const QString containerText = QStringLiteral("Pro}ject \"P\"/sub");

    DownloadListBuilder builder(m_rest.get());
    const QStringList entries = DownloadListBuilder::readPayload(downloadListPayload(
        { folder.toJson() + containerText, document.toJson() + JSONParser::dragItemJson(5, containerText) }));
    for (const QString& entry : entries)
        builder.addEntry(entry, QStringLiteral("/t"));

    const QList<DownloadItem> items = builder.items();
    QCOMPARE(items.size(), 4);
    QCOMPARE(items[0].name(), folderName);
    QCOMPARE(items[0].path(), containerText);
    // Separators cannot lead out of the target; ".." stays and fails in the worker with its subtree.
    QCOMPARE(items[1].name(), QStringLiteral(".._.._escape.txt"));
    QCOMPARE(items[1].path(), containerText + '/' + folderName);
    QCOMPARE(items[1].localDir(), "/t/" + folderName);
    QCOMPARE(items[2].name(), QStringLiteral(".."));
    QCOMPARE(items[3].name(), QStringLiteral("r}e\"port_1.txt"));
    QCOMPARE(items[3].path(), containerText);
    QCOMPARE(items[3].folderId(), 41);
}

void TestDownloadListBuilder::malformedEntriesAreSkipped()
{
    LineRecorder lines;
    DownloadListBuilder builder(m_rest.get());
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setName(QStringLiteral("a.txt"));
    for (const QString& entry : { QStringLiteral("plain text"), QStringLiteral("{\"ObjectType\":\"Project\""),
             document.toJson(), document.toJson() + QStringLiteral("not a record"),
             QStringLiteral("{\"ObjectType\":\"Contact\",\"ID\":3}{\"ProjectID\":1}"), QString() })
        builder.addEntry(entry, QStringLiteral("/t"));
    QVERIFY(builder.items().isEmpty());
    QCOMPARE(lines.lines().size(), 6);
    QVERIFY(lines.lines().first().startsWith("Dropped item skipped"));
    QVERIFY(m_server->requests().empty());

    // A stream cut inside its second string yields only the first.
    QByteArray payload = downloadListPayload({ QStringLiteral("first"), QStringLiteral("second") });
    payload.chop(3);
    QCOMPARE(DownloadListBuilder::readPayload(payload), QStringList { "first" });
}

void TestDownloadListBuilder::folderListedInsideItselfIsNotWalkedAgain()
{
    serve("/rest/Folders?p=1&parent=10&a=tree",
        TestReply::text(200, downloadListArray({ downloadListFolderJson(11, "B", "x") })));
    serve("/rest/Folders?p=1&parent=11&a=tree",
        TestReply::text(200, downloadListArray({ downloadListFolderJson(10, "A", "x") })));
    LineRecorder lines;
    DownloadListBuilder builder(m_rest.get());
    builder.addFolderItems(RestFolder(QStringLiteral("Folder"), 10, QStringLiteral("A"), QString(),
                               QStringLiteral("x"), 0, 1, QString(), 0, 0),
        QStringLiteral("/t"), QStringLiteral("P"), -1);
    QCOMPARE(builder.items().size(), 2);
    QCOMPARE(lines.lines(), QStringList { "Folder skipped, the server lists it inside itself: A" });
}

QTEST_MAIN(TestDownloadListBuilder)
#include "tst_downloadlistbuilder.moc"

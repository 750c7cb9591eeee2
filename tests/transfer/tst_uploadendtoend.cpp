#include "model/jsonparser.h"
#include "rest/rest.h"
#include "server/demotestserver.h"
#include "support/testfiles.h"
#include "support/testserver.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"

#include <QBuffer>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <optional>

namespace {
// A copy: the lists come straight from the session and do not outlive the call.
template<typename Record>
std::optional<Record> endToEndNamed(const QList<Record>& records, const QString& name)
{
    for (const Record& record : records) {
        if (record.name() == name)
            return record;
    }
    return std::nullopt;
}
} // namespace

// A folder tree uploaded into a folder of the demo server through the dialog, several files at once.
// The drop on the remote tree that opens the dialog is covered by tst_kelmartreedragdrop.
class TestUploadEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void droppedTreeArrivesWhole();
};

void TestUploadEndToEnd::droppedTreeArrivesWhole()
{
    DemoTestServer server;
    QVERIFY(server.start());
    Rest rest(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));
    const RestProject project = rest.getProjects().value(0);
    RestFolder target = rest.createDirectory(JSONParser::createDirectoryJson(QStringLiteral("Received"),
                                                 QStringLiteral("documents"), 0, 0, QString()),
        project.id());

    QTemporaryDir local;
    const QByteArray big = TestServer::patternBytes(7919, 8 * 1024 * 1024);
    const QByteArray small = TestServer::patternBytes(2 * 7919, 4096);
    for (const auto& [path, bytes] : { std::pair { "Site/big.bin", big }, { "Site/Phase 1/a.txt", small } }) {
        QVERIFY(writeTestFile(local.filePath(QLatin1String(path)), bytes));
    }
    QVERIFY(QDir(local.path()).mkpath(QStringLiteral("Site/Empty")));

    UploadListBuilder builder(RestStatus(1, QStringLiteral("Draft"), 1));
    builder.addUrls({ QUrl::fromLocalFile(local.filePath(QStringLiteral("Site"))) });
    QStringList outcomes;
    {
        UploadDialog dialog(&target, builder.items(), builder.folderCount(), builder.fileCount(),
            QStringLiteral("Received"), { RestStatus(1, QStringLiteral("Draft"), 1) }, &rest);
        dialog.setParallelTransfers(4);
        auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
        start->click();
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 120000);
        const QAbstractItemModel* rows = dialog.findChild<QTableView*>()->model();
        for (int row = 0; row < rows->rowCount(); ++row)
            outcomes << rows->index(row, 0).data().toString() + ": " + rows->index(row, 4).data().toString();
    }
    outcomes.sort();
    QCOMPARE(outcomes,
        (QStringList { "Empty: Successful", "Phase 1: Successful", "Site: Successful",
            "a.txt: Document uploaded successfully", "big.bin: Document uploaded successfully" }));

    // What the server holds, folder by folder and byte for byte.
    const auto download = [&rest](int folderId, const QString& name) {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        if (const std::optional<RestDocument> document = endToEndNamed(rest.getDocuments(folderId), name))
            rest.downloadDocument(folderId, document->id(), buffer);
        return buffer.data();
    };
    const std::optional<RestFolder> site
        = endToEndNamed(rest.getChildFolders(project.id(), target.id()), QStringLiteral("Site"));
    QVERIFY(site);
    const QList<RestFolder> siteFolders = rest.getChildFolders(project.id(), site->id());
    QVERIFY(endToEndNamed(siteFolders, QStringLiteral("Empty")));
    const std::optional<RestFolder> phase = endToEndNamed(siteFolders, QStringLiteral("Phase 1"));
    QVERIFY(phase);
    QVERIFY(download(site->id(), QStringLiteral("big.bin")) == big);
    QCOMPARE(download(phase->id(), QStringLiteral("a.txt")), small);
}

QTEST_MAIN(TestUploadEndToEnd)
#include "tst_uploadendtoend.moc"

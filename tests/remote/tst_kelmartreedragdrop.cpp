#include "app/transfercontroller.h"
#include "model/dragpayload.h"
#include "remote/kelmartreemodel.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/fakeservice.h"
#include "support/recorders.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadlistingdialog.h"
#include "transfer/uploaddialog.h"

#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(TestReply)

namespace {
const std::string dragDropFolderDocs = R"({"ObjectType":"Folder","ID":10,"Name":"Docs","Path":"Docs",)"
                                       R"("Type":"documents","ProjectID":1,"NrChildren":1,"NrItems":1})";
// A name with every character that could break the payload's JSON or its splitting (a plain literal:
// the meta-object compiler misreads escaped quotes inside raw strings).
const QString dragDropOddName = QStringLiteral("Plans \"A\"} \\x");
const std::string dragDropFolderSub
    = "{\"ObjectType\":\"Folder\",\"ID\":11,\"Name\":\"Plans \\\"A\\\"} \\\\x\","
      "\"Path\":\"Docs/Plans \\\"A\\\"} \\\\x\",\"Type\":\"documents\",\"ParentID\":10,"
      "\"ProjectID\":1}";
const std::string dragDropDocument = R"({"ObjectType":"Document","ID":40,"Name":"plan.pdf","FolderID":10,)"
                                     R"("AuthorID":5,"Size":12})";

} // namespace

class TestKelmarTreeDragDrop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void payloadHoldsOneEntryPerDraggedRow();
    void onlyLocalFilesAreAcceptedAndTheHeadingNamesTheTarget();
    void dropOnDocumentUploadsIntoItsFolderAndReloadsIt();
    void failingStatusRequestShowsBoxAndNoDialog_data();
    void failingStatusRequestShowsBoxAndNoDialog();
    void downloadWalkRunsInTheBackgroundUntilCanceledOrTheWindowGoes();

private:
    QModelIndex docs() const { return m_model->index(0, 0, m_model->index(0, 0)); }
    // The drop's preparation, dialog and reload are over.
    bool settled()
    {
        return QTest::qWaitFor([this] { return !m_controller->isBusy() && !m_model->isLoading(); }, 20000);
    }
    QStringList requestTargets() const;
    QMimeData* localFiles(const QStringList& names);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeService> m_service;
    std::unique_ptr<SessionRunner> m_session;
    std::unique_ptr<KelmarTreeModel> m_model;
    std::unique_ptr<QWidget> m_window;
    TransferController* m_controller = nullptr;
    std::unique_ptr<QMimeData> m_data;
    int m_dialogs = 0;
    QString m_heading;
    QString m_status; // of the last row
};

void TestKelmarTreeDragDrop::init()
{
    using S = FakeService;
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<FakeService>();
    m_service->setProjects("demo", S::list(S::project(1, "Site"), S::project(2, "Other")));
    m_service->setFolders(1, 0, S::list(dragDropFolderDocs));
    m_service->setFolders(1, 10, S::list(dragDropFolderSub));
    m_service->setDocuments(10, S::list(dragDropDocument));
    TestServer& server = m_service->server();
    server.on("GET", "/rest/DocumentStatus",
        TestReply::text(
            200, R"([{"ID":7,"Name":"Draft","Sequence":1},{"ID":8,"Name":"Final","Sequence":2}])"));
    server.on("GET", "/rest/Contacts", TestReply::text(200, R"({"ID":5,"IsAdmin":false})"));
    server.on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanAdd":true,"CanAddRevision":true})"));
    server.on("POST", "/rest/Documents", TestReply::text(200, R"({"ObjectType":"Document","ID":41})"));

    m_session = std::make_unique<SessionRunner>(
        std::make_unique<Rest>(m_service->baseUrl(), QStringLiteral("demo"), QStringLiteral("demo")));
    m_model = std::make_unique<KelmarTreeModel>(m_session.get());
    m_window = std::make_unique<QWidget>();
    m_controller = new TransferController(m_window.get());
    m_controller->setSession(m_session.get());
    m_controller->setRemoteModel(m_model.get());
    connect(
        m_model.get(), &KelmarTreeModel::uploadRequested, m_controller, &TransferController::uploadRequested);
    QVERIFY(settled());
    m_model->expand(m_model->index(0, 0));
    QVERIFY(settled());
    m_model->expand(docs());
    QVERIFY(settled());
    m_dialogs = 0;
    // The dialog is looked at and closed as if the user did it.
    UploadDialog::setExecHook([this](UploadDialog& dialog) {
        ++m_dialogs;
        m_heading = dialog.findChild<QLabel*>(QStringLiteral("headingLabel"))->text();
        const QAbstractItemModel* rows = dialog.findChild<QTableView*>()->model();
        m_status = rows->index(rows->rowCount() - 1, 3).data(Qt::EditRole).toString();
        dialog.reject();
    });
    m_service->server().clearRequests();
}

void TestKelmarTreeDragDrop::cleanup()
{
    UploadDialog::setExecHook(nullptr);
    DownloadDialog::setRunner(nullptr);
    m_data.reset();
    m_window.reset();
    m_model.reset();
    m_session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    m_service.reset();
    m_dir.reset();
}

QStringList TestKelmarTreeDragDrop::requestTargets() const
{
    QStringList targets;
    for (const RecordedRequest& request : m_service->server().requests())
        targets.append(QString::fromStdString(request.method + ' ' + request.target));
    return targets;
}

QMimeData* TestKelmarTreeDragDrop::localFiles(const QStringList& names)
{
    QList<QUrl> urls;
    for (const QString& name : names) {
        QDir(m_dir->path()).mkpath(QFileInfo(name).path());
        QFile file(m_dir->filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write a test file");
        file.write("local bytes");
        urls.append(QUrl::fromLocalFile(m_dir->filePath(name.section(QLatin1Char('/'), 0, 0))));
    }
    m_data = std::make_unique<QMimeData>();
    m_data->setUrls(urls);
    return m_data.get();
}

void TestKelmarTreeDragDrop::payloadHoldsOneEntryPerDraggedRow()
{
    const QModelIndex project = m_model->index(0, 0);
    const QModelIndex sub = m_model->index(0, 0, docs());
    const QModelIndex plan = m_model->index(1, 0, docs());
    QCOMPARE(sub.data().toString(), dragDropOddName);
    const QModelIndexList dragged { sub, sub.siblingAtColumn(1), sub.siblingAtColumn(2), plan,
        plan.siblingAtColumn(1), plan.siblingAtColumn(2), project };
    const std::unique_ptr<QMimeData> data(m_model->mimeData(dragged));
    QCOMPARE(data->formats(), QStringList { QStringLiteral("application/vnd.text.list") });
    // Each record followed by where it lies, as the download list reads them.
    QCOMPARE(DragPayload::read(data->data(QStringLiteral("application/vnd.text.list"))),
        (QStringList {
            "{\"ObjectType\":\"Folder\",\"ID\":11,\"Name\":\"Plans \\\"A\\\"} \\\\x\",\"Path\":\"Docs/Plans "
            "\\\"A\\\"} \\\\x\",\"Type\":\"documents\",\"ParentID\":10,\"ProjectID\":1,\"URL\":\"\","
            "\"NrChildren\":0,\"NrItems\":0}Site/Docs",
            "{\"ObjectType\":\"Document\",\"ID\":40,\"Name\":\"plan.pdf\",\"NrRevisions\":1,\"FolderID\":10,"
            "\"Description\":\"\",\"AuthorID\":5,\"Uploaded\":\"\",\"RevisionNr\":1,\"RevisionID\":0,"
            "\"Size\":12,\"StatusID\":0,\"ConversionStatus\":0,\"NrViews\":0,\"CheckedOutByID\":0,"
            "\"CheckedOutOn\":\"\"}{\"ProjectID\":1,\"KelmarPath\":\"Site\"}",
            "{\"ObjectType\":\"Project\",\"ID\":1,\"Name\":\"Site\",\"Address\":\"\",\"City\":\"\",\"Zip\":"
            "\"\","
            "\"CountryID\":0,\"Details\":\"\",\"Timezone\":\"\",\"AdminRoleID\":0,\"CreatedByID\":0,"
            "\"IsLocked\":false,\"IsActive\":false,\"IsFree\":false}" }));
}

void TestKelmarTreeDragDrop::onlyLocalFilesAreAcceptedAndTheHeadingNamesTheTarget()
{
    QCOMPARE(m_model->mimeTypes(), QStringList { QStringLiteral("text/uri-list") });
    QMimeData* files = localFiles({ QStringLiteral("a.txt"), QStringLiteral("b.txt") });
    QVERIFY(m_model->canDropMimeData(files, Qt::CopyAction, -1, -1, docs()));
    QVERIFY(!m_model->dropMimeData(files, Qt::CopyAction, -1, -1, QModelIndex()));

    const std::unique_ptr<QMimeData> remoteRows(m_model->mimeData({ docs() }));
    QVERIFY(!m_model->canDropMimeData(remoteRows.get(), Qt::CopyAction, -1, -1, docs()));
    QVERIFY(!m_model->dropMimeData(remoteRows.get(), Qt::CopyAction, -1, -1, docs()));
    QCOMPARE(m_dialogs, 0);
    QVERIFY(m_service->server().requests().empty());

    QVERIFY(m_model->dropMimeData(files, Qt::CopyAction, -1, -1, m_model->index(0, 0, docs())));
    QVERIFY(settled());
    QCOMPARE(m_heading, "0 folders, 2 files upload to Site/Docs/" + dragDropOddName);
    QCOMPARE(m_status, QStringLiteral("Draft"));

    // A project without statuses still opens the dialog; its row is reloaded though nothing was uploaded.
    m_service->server().on("GET", "/rest/DocumentStatus", TestReply::text(200, "[]"));
    m_service->server().clearRequests();
    QVERIFY(m_model->dropMimeData(
        localFiles({ QStringLiteral("box/inner.txt") }), Qt::CopyAction, -1, -1, m_model->index(0, 1)));
    QVERIFY(settled());
    QCOMPARE(m_heading, QStringLiteral("1 folders, 1 files upload to Site"));
    QCOMPARE(m_dialogs, 2);
    QCOMPARE(m_status, QString());
    // The dialog's plan may have asked about the target before the dialog closed.
    QCOMPARE(requestTargets().last(), QStringLiteral("GET /rest/Folders?p=1&parent=0&a=tree"));
    QVERIFY(requestTargets().filter(QStringLiteral("POST ")).isEmpty());
}

void TestKelmarTreeDragDrop::dropOnDocumentUploadsIntoItsFolderAndReloadsIt()
{
    UploadDialog::setExecHook([this](UploadDialog& dialog) {
        ++m_dialogs;
        auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
        start->click();
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 20000);
        auto* view = dialog.findChild<QTableView*>();
        QCOMPARE(view->model()->index(0, 4).data(Qt::ToolTipRole).toString(),
            QStringLiteral("Document uploaded successfully"));
        QVERIFY(requestTargets().contains(
            QStringLiteral("POST /rest/Documents?f=10&Name=note.txt&Description=&StatusID=7")));
        m_service->setDocuments(10,
            FakeService::list(
                dragDropDocument, std::string(R"({"ObjectType":"Document","ID":41,"Name":"note.txt"})")));
        m_service->server().clearRequests();
        start->click();
    });
    const QModelIndex plan = m_model->index(1, 2, docs());
    QVERIFY(m_model->dropMimeData(localFiles({ QStringLiteral("note.txt") }), Qt::CopyAction, -1, -1, plan));
    QVERIFY(settled());
    QCOMPARE(m_dialogs, 1);
    QCOMPARE(requestTargets(),
        (QStringList { QStringLiteral("GET /rest/Folders?p=1&parent=10&a=tree"),
            QStringLiteral("GET /rest/Documents?f=10") }));
    QCOMPARE(m_model->rowCount(docs()), 3);
    QCOMPARE(m_model->index(2, 0, docs()).data().toString(), QStringLiteral("note.txt"));
}

void TestKelmarTreeDragDrop::failingStatusRequestShowsBoxAndNoDialog_data()
{
    QTest::addColumn<TestReply>("reply");
    QTest::addColumn<QString>("box");
    QTest::newRow("refused")
        << TestReply::text(500, "nope")
        << "An error occured while retreiving the project statuses. Response code: 500, response: nope";
    QTest::newRow("connection") << FakeService::dropped() << "Unable to connect to server";
}

void TestKelmarTreeDragDrop::failingStatusRequestShowsBoxAndNoDialog()
{
    QFETCH(TestReply, reply);
    QFETCH(QString, box);
    m_service->server().on("GET", "/rest/DocumentStatus", reply);
    BoxRecorder boxes;
    QVERIFY(m_model->dropMimeData(localFiles({ QStringLiteral("a.txt") }), Qt::CopyAction, -1, -1, docs()));
    QVERIFY(settled());
    QCOMPARE(m_dialogs, 0);
    QCOMPARE(boxes.texts(), QStringList { box });
    QCOMPARE(requestTargets(), QStringList { QStringLiteral("GET /rest/DocumentStatus?p=1") });
}

// The walk below dropped remote rows runs on the session's thread while the window stays usable: Cancel
// ends the wait at once, and a window that goes takes the walk with it; no download dialog opens for
// either.
void TestKelmarTreeDragDrop::downloadWalkRunsInTheBackgroundUntilCanceledOrTheWindowGoes()
{
    TestReply slow
        = TestReply::text(200, FakeService::list(FakeService::folder(12, "Plans", "documents", 1)));
    slow.delay = std::chrono::milliseconds(1000);
    m_service->setFault("/rest/Folders", slow);
    BoxRecorder boxes;
    LineRecorder lines;
    DownloadDialog::setRunner([this](DownloadDialog&) { return ++m_dialogs, int(QDialog::Rejected); });
    const QStringList project { QString::fromStdString(FakeService::project(1, "Site")) };

    m_controller->downloadRequested(project, m_dir->path());
    DownloadListingDialog* listing = nullptr;
    QTRY_VERIFY((listing = m_window->findChild<DownloadListingDialog*>()) && listing->isVisible());
    QTRY_COMPARE(
        listing->findChild<QLabel*>()->text(), QStringLiteral("Listing Site/Plans: 2 folders, 0 documents"));
    QTest::mouseClick(listing->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QVERIFY(!m_controller->isBusy());
    // The session answers in order: once a later job is through, the walk has ended.
    m_service->clearFault("/rest/Folders");
    bool later = false;
    m_session->run(
        m_controller, [](Rest& rest, const JobControl&) { rest.getDocuments(1); }, [&later] { later = true; },
        [](std::exception_ptr) {});
    QTRY_VERIFY(later);

    m_service->setFault("/rest/Folders", slow);
    m_controller->downloadRequested(project, m_dir->path());
    QTRY_VERIFY(!m_service->server().requests("/rest/Folders").empty());
    m_window.reset();
    m_model.reset();
    m_session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QCoreApplication::processEvents();
    QCOMPARE(m_dialogs, 0);
    QVERIFY(boxes.texts().isEmpty());
    QVERIFY(!lines.contains(QStringLiteral("Connection error while retreiving the subfolders of a folder")));
}

QTEST_MAIN(TestKelmarTreeDragDrop)
#include "tst_kelmartreedragdrop.moc"

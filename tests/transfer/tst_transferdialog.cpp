#include "model/restfolder.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/testserver.h"
#include "transfer/confirmationdialog.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "transfer/transferreport.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"
#include "uploadfakeservice.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

namespace {
DownloadItem dialogDocument(int id, const QString& name, const QString& localDir)
{
    return DownloadItem(QStringLiteral("Document"), id, name, QString(), QStringLiteral("Bridge/Plans"),
        QStringLiteral("about ") + name, QStringLiteral("Draft"),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, 10);
}

void dialogWrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

QByteArray dialogRead(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// What the table shows in each row's Progress column.
QStringList dialogShown(const QDialog& dialog)
{
    const QAbstractItemModel* rows = dialog.findChild<QTableView*>()->model();
    QStringList shown;
    for (int row = 0; row < rows->rowCount(); ++row)
        shown << rows->index(row, 4).data().toString();
    return shown;
}

QPushButton* dialogButton(const QDialog& dialog, const char* name)
{
    return dialog.findChild<QPushButton*>(QLatin1String(name));
}

// What the plan says of a row, read back from the worker's outcome; a revision's number is the server's.
QString dialogAsPlanned(const QString& outcome)
{
    static const QHash<QString, QString> planned { { "Document uploaded successfully", "New document" },
        { "Document revision added successfully", "New revision" }, { "Successful", "New folder" },
        { "Folder existed already", "Existing folder" } };
    return planned.value(outcome, QStringLiteral("Not allowed: ") + outcome);
}

void dialogWaitForClose(const QDialog& dialog)
{
    QTRY_COMPARE_WITH_TIMEOUT(dialogButton(dialog, "startButton")->text(), QStringLiteral("Close"), 30000);
}
} // namespace

// The upload and download dialogs through their phases. They are never shown here: painting runs on
// the toolkit's own thread pool, which the race checker cannot follow (see tst_transferdialogview).
class TestTransferDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void escapeCancelsOnlyARunningUploadAndTheEndSaysSo();
    void endOfARunSaysWhatHappenedAndShowsTheProblems();
    void retryFailedRunsTheFailedRowsAgainAndTheReportKeepsTheRun();
    void confirmationBoxAsksWithApplyToAll();
    void escapeWhileTheQuestionIsQueuedCancelsWithoutShowingIt();
    void planAgreesWithTheWorkerRowByRow_data();
    void planAgreesWithTheWorkerRowByRow();
    void texts_data();
    void texts();

private:
    // Two folders, one inside the other, and five files: one beside them, two in each folder; seven rows.
    std::unique_ptr<UploadDialog> uploadDialog(Rest* rest = nullptr);
    std::unique_ptr<DownloadDialog> downloadDialog(const QList<DownloadItem>& items);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<UploadFakeService> m_service;
    std::unique_ptr<Rest> m_rest;
    RestFolder m_folder;
};

void TestTransferDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<UploadFakeService>();
    TestServer& server = m_service->server();
    server.on("GET", "/protected/Document.download", [](const RecordedRequest& request) {
        return request.target.find("r=22") != std::string::npos ? TestReply::text(404, "gone")
                                                                : TestReply::text(200, "new content");
    });
    m_rest = m_service->logon();
    m_folder = RestFolder(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
        QStringLiteral("documents"), 0, 7, QString(), 0, 0);
}

void TestTransferDialog::cleanup()
{
    DownloadDialog::setOverwriteQuestion(nullptr);
    TransferDialog::setReportPathChooser(nullptr);
    m_rest.reset();
    m_service.reset();
    m_dir.reset();
}

std::unique_ptr<UploadDialog> TestTransferDialog::uploadDialog(Rest* rest)
{
    QDir root(m_dir->path());
    root.mkpath(QStringLiteral("outer/inner"));
    for (const char* name :
        { "loose.txt", "outer/a.txt", "outer/b.txt", "outer/inner/c.txt", "outer/inner/d.txt" })
        dialogWrite(root.filePath(QLatin1String(name)), name);
    const RestStatus draft(4, QStringLiteral("Draft"), 1);
    UploadListBuilder builder(draft);
    builder.addUrls({ QUrl::fromLocalFile(root.filePath(QStringLiteral("loose.txt"))),
        QUrl::fromLocalFile(root.filePath(QStringLiteral("outer"))) });
    return std::make_unique<UploadDialog>(&m_folder, builder.items(), builder.folderCount(),
        builder.fileCount(), QStringLiteral("Site/Docs"), QList<RestStatus> { draft },
        rest ? rest : m_rest.get());
}

std::unique_ptr<DownloadDialog> TestTransferDialog::downloadDialog(const QList<DownloadItem>& items)
{
    const auto files = std::count_if(items.cbegin(), items.cend(),
        [](const DownloadItem& item) { return item.objectType() == QLatin1String("Document"); });
    return std::make_unique<DownloadDialog>(
        items, int(items.size() - files), int(files), m_rest.get(), m_dir->path());
}

void TestTransferDialog::escapeCancelsOnlyARunningUploadAndTheEndSaysSo()
{
    {
        const auto prepared = uploadDialog();
        QCOMPARE(
            prepared->findChild<QLabel*>("headingLabel")->text(), "2 folders, 5 files upload to Site/Docs");
        QSignalSpy closed(prepared.get(), &QDialog::finished);
        QTest::keyClick(prepared.get(), Qt::Key_Escape);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(prepared->result(), int(QDialog::Rejected));
    }

    // The listing of the target folder holds the upload back until the test ends.
    TestReply slow = TestReply::text(200, "[]");
    slow.delay = std::chrono::seconds(30);
    m_service->setDocuments(3, { slow });
    const auto dialog = uploadDialog();
    QSignalSpy closed(dialog.get(), &QDialog::finished);
    dialogButton(*dialog, "startButton")->click();
    QCOMPARE(dialogButton(*dialog, "startButton")->text(), QStringLiteral("Busy"));
    QTRY_VERIFY_WITH_TIMEOUT(m_service->calls().contains(QStringLiteral("GET Documents?f=3")), 20000);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QCOMPARE(closed.size(), 0);
    dialogWaitForClose(*dialog);
    QCOMPARE(dialogShown(*dialog).last(), QStringLiteral("Canceled by user"));
    QCOMPARE(dialog->findChild<QLabel*>("doneLabel")->text(),
        QStringLiteral("Canceled: 0 done, 1 failed, 6 not started"));
    QVERIFY(!dialogButton(*dialog, "cancelButton")->isEnabled());
    // The session works again after the cancel.
    QCOMPARE(m_rest->getDocuments(4).size(), 0);

    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));

    // A dialog that goes while its transfer runs cancels and waits for it.
    auto running = uploadDialog();
    dialogButton(*running, "startButton")->click();
    running.reset();
    QCOMPARE(m_rest->getDocuments(4).size(), 0);
}

void TestTransferDialog::endOfARunSaysWhatHappenedAndShowsTheProblems()
{
    const auto empty = downloadDialog({});
    dialogButton(*empty, "startButton")->click();
    QCOMPARE(empty->findChild<QProgressBar*>()->maximum(), 0);
    dialogWaitForClose(*empty);
    QCOMPARE(empty->findChild<QLabel*>("completionLabel")->text(),
        QStringLiteral("Completed: nothing to transfer"));

    m_service->setContact(TestReply::text(500, "gone"));
    const auto refused = uploadDialog();
    dialogButton(*refused, "startButton")->click();
    dialogWaitForClose(*refused);
    QCOMPARE(refused->findChild<QLabel*>("doneLabel")->text(), QStringLiteral("Failed: all 7 failed"));
    QCOMPARE(dialogShown(*refused), QStringList(7, QStringLiteral("Error: gone")));

    QList<DownloadItem> items { DownloadItem(QStringLiteral("Folder"), 5, "Plans",
                                    QStringLiteral("documents"), QStringLiteral("Bridge"), QString(),
                                    QString(), ModelItemStatus(ModelItemStatus::Listed, QString()),
                                    QList<int>(), m_dir->path(), 0),
        dialogDocument(21, "a.txt", m_dir->path() + "/Plans"), dialogDocument(22, "b.txt", m_dir->path()) };
    items[0].addChild(1);
    const auto dialog = downloadDialog(items);
    QAbstractItemModelTester tester(dialog->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    QCOMPARE(dialogShown(*dialog), QStringList(3, QString()));
    dialogButton(*dialog, "startButton")->click();
    dialogWaitForClose(*dialog);
    const QString refusal = QStringLiteral("The server refused the download, responseCode: 404");
    QCOMPARE(dialogShown(*dialog), QStringList({ "Successful", "Successful", refusal }));
    QCOMPARE(dialog->findChild<QLabel*>("completionLabel")->text(),
        QStringLiteral("Completed: 2 succeeded, 1 failed"));
    // The model keeps the outcome as the tool tip; the table shows it as text too.
    QCOMPARE(dialog->model()->index(2, 4).data(Qt::ToolTipRole).toString(), refusal);

    // Only the failed row, and it can be copied as text.
    dialog->findChild<QCheckBox*>(QStringLiteral("problemsOnly"))->setChecked(true);
    QCOMPARE(dialogShown(*dialog), QStringList { refusal });
    QTableView* view = dialog->findChild<QTableView*>();
    view->selectRow(0);
    dialog->copyRows();
    QCOMPARE(QApplication::clipboard()->text(), "b.txt\tBridge/Plans\t" + refusal + "\n");
}

void TestTransferDialog::retryFailedRunsTheFailedRowsAgainAndTheReportKeepsTheRun()
{
    const auto dialog = downloadDialog(
        { dialogDocument(21, "a,\"1\".txt", m_dir->path()), dialogDocument(22, "=b.txt", m_dir->path()) });
    QPushButton* retry = dialogButton(*dialog, "retryFailedButton");
    dialogButton(*dialog, "startButton")->click();
    dialogWaitForClose(*dialog);
    QVERIFY(!retry->isHidden());

    m_service->server().on("GET", "/protected/Document.download", TestReply::text(200, "second"));
    m_service->server().clearRequests();
    retry->click();
    dialogWaitForClose(*dialog);
    QCOMPARE(dialogShown(*dialog), QStringList({ "Successful", "Successful" }));
    QVERIFY(retry->isHidden());
    QCOMPARE(m_service->server().requests("/protected/Document.download").size(), std::size_t(1));
    QCOMPARE(dialogRead(m_dir->path() + "/a,\"1\".txt"), QByteArray("new content"));

    // The report: one line per row, quoted where needed, a leading "=" kept from becoming a formula.
    const QString path = m_dir->filePath(QStringLiteral("report.csv"));
    TransferDialog::setReportPathChooser([&path](QWidget*) { return path; });
    dialogButton(*dialog, "saveReportButton")->click();
    const QList<QByteArray> lines = dialogRead(path).split('\n');
    QCOMPARE(lines.size(), 4);
    QCOMPARE(
        lines[0], "item,local path,remote path,size,code,outcome,revision,started,ended,bytes,attempts\r");
    QVERIFY(lines[1].startsWith("\"a,\"\"1\"\".txt\",\"" + m_dir->path().toUtf8() + "/a,"));
    QVERIFY(lines[1].endsWith(",11,1\r"));
    QVERIFY2(lines[2].startsWith("'=b.txt,") && lines[2].contains(",0,3,Successful,,")
            && lines[2].endsWith(",6,1\r"),
        lines[2].constData());
}

void TestTransferDialog::confirmationBoxAsksWithApplyToAll()
{
    dialogWrite(m_dir->filePath("a.txt"), "old a");
    dialogWrite(m_dir->filePath("b.txt"), "old b");
    QList<DownloadItem> items { dialogDocument(21, "a.txt", m_dir->path()),
        dialogDocument(23, "b.txt", m_dir->path()), dialogDocument(24, "c.txt", m_dir->path()) };
    items[0].setSize(1572864);
    const auto dialog = downloadDialog(items);
    // Before Start the dialog says which files are there already, and how much comes.
    const QString exists = QStringLiteral("Exists already: asks before overwriting");
    QCOMPARE(dialogShown(*dialog), QStringList({ exists, exists, QString() }));
    QCOMPARE(
        dialog->findChild<QLabel*>("totalsLabel")->text(), "3 files, 0 folders, 1.5 MB, 2 exist already");
    int boxes = 0;
    // Answers the real box: "Apply to all" ticked, then No.
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [this, &boxes] {
        auto* box = qobject_cast<ConfirmationDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++boxes;
        QCOMPARE(box->text(), "A file with the following name already exists: " + m_dir->filePath("a.txt"));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        // The box builds a new grid when its texts change; the row must be in the grid that shows.
        QVERIFY(box->applyToAllCheckBox()->isVisible());
        QVERIFY(box->layout()->indexOf(box->applyToAllCheckBox()->parentWidget()) >= 0);
        box->applyToAllCheckBox()->setChecked(true);
        box->button(QMessageBox::No)->click();
    });
    answerer.start(20);
    dialogButton(*dialog, "startButton")->click();
    dialogWaitForClose(*dialog);
    QCOMPARE(boxes, 1);
    QCOMPARE(dialogShown(*dialog),
        QStringList({ "File already existed, skipped by user", "File already existed, skipped by user",
            "Successful" }));
    QCOMPARE(dialogRead(m_dir->filePath("a.txt")), QByteArray("old a"));
}

void TestTransferDialog::escapeWhileTheQuestionIsQueuedCancelsWithoutShowingIt()
{
    dialogWrite(m_dir->filePath("a.txt"), "old a");
    int asked = 0;
    DownloadDialog::setOverwriteQuestion([&asked](const QString&, bool&) {
        ++asked;
        return QMessageBox::Yes;
    });
    const auto dialog = downloadDialog(
        { dialogDocument(21, "a.txt", m_dir->path()), dialogDocument(23, "b.txt", m_dir->path()) });
    std::atomic<bool> questionSent { false };
    connect(
        dialog->worker(), &DownloadThread::documentAlreadyExists, dialog->worker(),
        [&questionSent](const QString&) { questionSent = true; }, Qt::DirectConnection);
    QSignalSpy closed(dialog.get(), &QDialog::finished);
    dialogButton(*dialog, "startButton")->click();
    // The user cancels while the question still waits in the event queue.
    while (!questionSent)
        QThread::msleep(5);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QVERIFY(dialog->worker()->isFinished());
    dialogWaitForClose(*dialog);
    QCOMPARE(asked, 0);
    QCOMPARE(closed.count(), 0);
    QCOMPARE(dialogShown(*dialog), QStringList(2, "Canceled by user"));
    QCOMPARE(dialogRead(m_dir->filePath("a.txt")), QByteArray("old a"));
    // The session's cancel was cleared for the calls that come after the dialog.
    QVERIFY(m_rest->getFolderAccess(1).canDownload());
}

void TestTransferDialog::planAgreesWithTheWorkerRowByRow_data()
{
    QTest::addColumn<QByteArray>("rights");
    QTest::addColumn<QString>("totals");
    QTest::addColumn<int>("asked"); // the target's listing and rights, by plan and worker together
    // Every right; loose.txt (revision 3) and outer/a.txt exist. The run asks nothing the plan has read.
    QTest::newRow("allowed") << QByteArray() << "5 files, 2 folders, 65 bytes, 0 not allowed" << 1;
    // Read only, and loose.txt is somebody else's: outer and all below it are refused too. The refusals
    // are checked with the server once at Start.
    QTest::newRow("read only") << QByteArray(R"({"ObjectType":"FolderAccess","CanAddRevisionToOwn":true})")
                               << "5 files, 2 folders, 65 bytes, 7 not allowed" << 2;
}

void TestTransferDialog::planAgreesWithTheWorkerRowByRow()
{
    QFETCH(QByteArray, rights);
    QFETCH(QString, totals);
    QFETCH(int, asked);
    if (!rights.isEmpty())
        m_service->setAccess(3, { TestReply::text(200, rights.toStdString()) });
    m_service->setDocuments(3,
        { TestReply::text(200,
            R"([{"ObjectType":"Document","ID":60,"Name":"loose.txt","AuthorID":9,)"
            R"("RevisionNr":3}])") });
    m_service->setFolders(3, { TestReply::text(200, R"([{"ObjectType":"Folder","ID":40,"Name":"outer"}])") });
    m_service->setDocuments(
        40, { TestReply::text(200, R"([{"ObjectType":"Document","ID":61,"Name":"a.txt"}])") });
    m_service->setCreate("outer", { TestReply::text(400, "Folder with that name exists already") });
    {
        SessionRunner session(m_service->logon());
        const auto dialog = uploadDialog(session.rest());
        dialog->startPlan(&session);
        QTRY_VERIFY(!dialog->planTexts().isEmpty());
        QCOMPARE(dialog->findChild<QLabel*>("totalsLabel")->text(), totals);
        QStringList plan = dialog->planTexts();
        QCOMPARE(dialogShown(*dialog), plan);
        QVERIFY(!rights.isEmpty() || plan.startsWith(QStringLiteral("New revision (revision 4)")));

        dialogButton(*dialog, "startButton")->click();
        dialogWaitForClose(*dialog);
        QStringList outcome;
        for (const QString& shown : dialogShown(*dialog))
            outcome << dialogAsPlanned(shown);
        plan.replaceInStrings(QRegularExpression(QStringLiteral(" \\(revision \\d+\\)")), QString());
        QCOMPARE(outcome, plan);
        QCOMPARE(m_service->calls().count(QStringLiteral("GET Documents?f=3")), asked);
        QCOMPARE(m_service->calls().count(QStringLiteral("GET FolderAccess?f=3")), asked);
    }
    QVERIFY(JobQueue::waitForAll(10000));
}

void TestTransferDialog::texts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    // The summaries at the end are checked with the runs above.
    TransferProgress progress;
    progress.files = 50;
    progress.finishedFiles = 12;
    progress.totalBytes = 3400000000;
    progress.processedBytes = 1200000000;
    const QString line = QStringLiteral("12 of 50 files \u00b7 1.2 GB of 3.4 GB");
    QTest::newRow("speed not known yet") << TransferReport::progressLine(progress, 20e6, 500) << line;
    QTest::newRow("time left") << TransferReport::progressLine(progress, 20e6, 5000)
                               << line + QStringLiteral(" \u00b7 20.0 MB/s \u00b7 about 2 min left");
    QTest::newRow("stalled") << TransferReport::progressLine(progress, 0, 5000)
                             << line + QStringLiteral(" \u00b7 0 bytes/s");
}

void TestTransferDialog::texts()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(text, expected);
}

QTEST_MAIN(TestTransferDialog)
#include "tst_transferdialog.moc"

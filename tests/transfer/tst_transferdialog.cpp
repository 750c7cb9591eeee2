#include "model/restfolder.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/testfiles.h"
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
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>

namespace {
// Painting runs on the toolkit's own thread pool, which the race checker cannot follow: the cases on
// screen run in the other builds only.
#ifdef __SANITIZE_THREAD__
constexpr bool dialogUnderRaceChecker = true;
#else
constexpr bool dialogUnderRaceChecker = false;
#endif

DownloadItem dialogDocument(int id, const QString& name, const QString& localDir)
{
    return DownloadItem(QStringLiteral("Document"), id, name, QString(), QStringLiteral("Bridge/Plans"),
        QStringLiteral("about ") + name, QStringLiteral("Draft"),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, 10);
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

// Clicks Start first if asked to, and waits until the run has ended.
void dialogWaitForClose(const QDialog& dialog, bool start = false)
{
    if (start)
        dialogButton(dialog, "startButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(dialogButton(dialog, "startButton")->text(), QStringLiteral("Close"), 30000);
}
} // namespace

// The upload and download dialogs through their phases, hidden, and on screen where it matters.
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
    void progressLines();
    void editorsCoverTheFileRowsOnScreenAndKeepUnfinishedEdits();
    void enterInADescriptionStartsTheUploadNotCancel();
    void runningRowSaysHowFarItIsAndTheViewFollowsIt();

private:
    // Writes the files (a path that ends with "/" is an empty folder) and opens the upload of the dropped
    // ones on folder 3. By default two folders, one inside the other, and five files: one beside them,
    // two in each folder; seven rows.
    std::unique_ptr<UploadDialog> uploadDialog(Rest* rest = nullptr,
        const QStringList& files
        = { "loose.txt", "outer/a.txt", "outer/b.txt", "outer/inner/c.txt", "outer/inner/d.txt" },
        const QStringList& dropped = { "loose.txt", "outer" });
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

std::unique_ptr<UploadDialog> TestTransferDialog::uploadDialog(
    Rest* rest, const QStringList& files, const QStringList& dropped)
{
    QDir root(m_dir->path());
    for (const QString& name : files) {
        root.mkpath(name.endsWith('/') ? name : QFileInfo(name).path());
        if (!name.endsWith('/'))
            writeTestFile(root.filePath(name), name.toUtf8());
    }
    const QList<RestStatus> statuses { RestStatus(4, QStringLiteral("Draft"), 1),
        RestStatus(6, QStringLiteral("Final"), 2) };
    UploadListBuilder builder(statuses.first());
    QList<QUrl> urls;
    for (const QString& name : dropped)
        urls << QUrl::fromLocalFile(root.filePath(name));
    builder.addUrls(urls);
    auto dialog = std::make_unique<UploadDialog>(&m_folder, builder.items(), builder.folderCount(),
        builder.fileCount(), QStringLiteral("Site/Docs"), statuses, rest ? rest : m_rest.get());
    dialog->setMinimumSize(806, 400);
    return dialog;
}

std::unique_ptr<DownloadDialog> TestTransferDialog::downloadDialog(const QList<DownloadItem>& items)
{
    const auto files = std::count_if(items.cbegin(), items.cend(),
        [](const DownloadItem& item) { return item.objectType() == QLatin1String("Document"); });
    auto dialog = std::make_unique<DownloadDialog>(
        items, int(items.size() - files), int(files), m_rest.get(), m_dir->path());
    dialog->setMinimumSize(806, 400);
    return dialog;
}

void TestTransferDialog::escapeCancelsOnlyARunningUploadAndTheEndSaysSo()
{
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

    // Escape before Start closes either dialog.
    const std::unique_ptr<QDialog> unstarted[]
        = { uploadDialog(), downloadDialog({ dialogDocument(23, "b.txt", m_dir->path()) }) };
    for (const auto& each : unstarted) {
        QSignalSpy closedBeforeStart(each.get(), &QDialog::finished);
        QTest::keyClick(each.get(), Qt::Key_Escape);
        QCOMPARE(closedBeforeStart.size(), 1);
    }
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
    dialogWaitForClose(*refused, true);
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
    dialogWaitForClose(*dialog, true);
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
    dialogWaitForClose(*dialog, true);
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
    for (const char* name : { "a.txt", "b.txt", "d.txt" })
        writeTestFile(m_dir->filePath(name), "old");
    QList<DownloadItem> items { dialogDocument(21, "a.txt", m_dir->path()),
        dialogDocument(23, "b.txt", m_dir->path()), dialogDocument(24, "c.txt", m_dir->path()),
        dialogDocument(25, "d.txt", m_dir->path()) };
    items[0].setSize(1572864);
    const auto dialog = downloadDialog(items);
    // Before Start the dialog says which files are there already, and how much comes.
    const QString exists = QStringLiteral("Exists already: asks before overwriting");
    QCOMPARE(dialogShown(*dialog), QStringList({ exists, exists, QString(), exists }));
    QCOMPARE(
        dialog->findChild<QLabel*>("totalsLabel")->text(), "4 files, 0 folders, 1.5 MB, 3 exist already");
    int boxes = 0;
    // Answers the real box: No, then No with "Apply to all" ticked; the last file is not asked about.
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [this, &boxes] {
        auto* box = qobject_cast<ConfirmationDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++boxes;
        QCOMPARE(box->text(),
            "A file with the following name already exists: "
                + m_dir->filePath(boxes == 1 ? "a.txt" : "b.txt"));
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        // The box builds a new grid when its texts change; the row must be in the grid that shows.
        QVERIFY(box->applyToAllCheckBox()->isVisible());
        QVERIFY(box->layout()->indexOf(box->applyToAllCheckBox()->parentWidget()) >= 0);
        box->applyToAllCheckBox()->setChecked(boxes == 2);
        box->button(QMessageBox::No)->click();
    });
    answerer.start(20);
    dialogWaitForClose(*dialog, true);
    QCOMPARE(boxes, 2);
    const QString skipped = QStringLiteral("File already existed, skipped by user");
    QCOMPARE(dialogShown(*dialog), QStringList({ skipped, skipped, "Successful", skipped }));
    QCOMPARE(dialogRead(m_dir->filePath("a.txt")), QByteArray("old"));
}

void TestTransferDialog::escapeWhileTheQuestionIsQueuedCancelsWithoutShowingIt()
{
    writeTestFile(m_dir->filePath("a.txt"), "old a");
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

        dialogWaitForClose(*dialog, true);
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

// The summaries at the end are checked with the runs above.
void TestTransferDialog::progressLines()
{
    TransferProgress progress;
    progress.files = 50;
    progress.finishedFiles = 12;
    progress.totalBytes = 3400000000;
    progress.processedBytes = 1200000000;
    const QString line = QStringLiteral("12 of 50 files \u00b7 1.2 GB of 3.4 GB");
    // The speed is not known yet in the first second.
    QCOMPARE(TransferReport::progressLine(progress, 20e6, 500), line);
    QCOMPARE(TransferReport::progressLine(progress, 20e6, 5000),
        line + QStringLiteral(" \u00b7 20.0 MB/s \u00b7 about 2 min left"));
    QCOMPARE(TransferReport::progressLine(progress, 0, 5000), line + QStringLiteral(" \u00b7 0 bytes/s"));
}

void TestTransferDialog::editorsCoverTheFileRowsOnScreenAndKeepUnfinishedEdits()
{
    if (dialogUnderRaceChecker)
        QSKIP("on screen");
    // Four folders among the first rows, the others files, each a sibling of the others.
    QStringList files;
    QStringList dropped;
    const auto isFile = [](int row) { return row >= 12 || row % 3 != 0; };
    for (int row = 0; row < 2004; ++row) {
        dropped << QStringLiteral("entry%1").arg(row);
        files << dropped.last() + (isFile(row) ? "" : "/");
    }
    const auto dialog = uploadDialog(nullptr, files, dropped);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto* view = dialog->findChild<QTableView*>();
    const auto editorOpen = [view](int row, int column = 2) {
        return view->isPersistentEditorOpen(view->model()->index(row, column));
    };
    const int last = 2003;
    const int lastShown = view->rowAt(view->viewport()->height() - 1);
    QVERIFY(lastShown > 9);
    for (int row = 0; row <= lastShown; ++row) {
        QCOMPARE(editorOpen(row), isFile(row));
        QCOMPARE(editorOpen(row, 3), editorOpen(row));
    }
    QVERIFY(!editorOpen(1, 1) && !editorOpen(last));
    const QModelIndex description = view->model()->index(1, 2);
    QCOMPARE(
        view->indexWidget(description)->geometry(), view->visualRect(description).adjusted(10, 1, -10, -1));

    // Typing without finishing, then scrolling the row away, keeps the text.
    auto* line = qobject_cast<QLineEdit*>(view->indexWidget(view->model()->index(1, 2)));
    line->setFocus();
    QTest::keyClicks(line, QStringLiteral("half typed"));
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum());
    QVERIFY(!editorOpen(1) && editorOpen(last) && editorOpen(last, 3));
    QCOMPARE(view->model()->index(1, 2).data(Qt::EditRole).toString(), QStringLiteral("half typed"));

    view->verticalScrollBar()->setValue(0);
    QCOMPARE(qobject_cast<QLineEdit*>(view->indexWidget(view->model()->index(1, 2)))->text(),
        QStringLiteral("half typed"));
}

// Cancel, the first button that takes the default on focus, must not become the dialog's default when
// it is shown: Enter after typing a description starts the upload with the edited values, and on the
// finished dialog closes it.
void TestTransferDialog::enterInADescriptionStartsTheUploadNotCancel()
{
    if (dialogUnderRaceChecker)
        QSKIP("on screen");
    const auto shown = uploadDialog(nullptr, { "plan.txt" }, { "plan.txt" });
    UploadDialog& dialog = *shown;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
    QVERIFY(start->isDefault());
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->isDefault());

    QSignalSpy finished(&dialog, &QDialog::finished);
    auto* view = dialog.findChild<QTableView*>();
    qobject_cast<QComboBox*>(view->indexWidget(view->model()->index(0, 3)))->setCurrentIndex(1);
    auto* line = qobject_cast<QLineEdit*>(view->indexWidget(view->model()->index(0, 2)));
    line->setFocus();
    QTest::keyClicks(line, QStringLiteral("first issue"));
    // The editor that has the focus is closed at the start; what it finishes then must still reach
    // the view that it belongs to.
    QTest::failOnWarning(QRegularExpression(QStringLiteral("does not belong to this view")));
    QTest::keyClick(line, Qt::Key_Return);
    QCOMPARE(start->text(), QStringLiteral("Busy"));
    QTRY_COMPARE(start->text(), QStringLiteral("Close"));
    QCOMPARE(finished.count(), 0);
    QCOMPARE(view->model()->index(0, 4).data(Qt::ToolTipRole).toString(),
        QStringLiteral("Document uploaded successfully"));
    QCOMPARE(m_service->calls().filter(QStringLiteral("POST Documents")),
        QStringList(QStringLiteral("POST Documents?f=3&Name=plan.txt&Description=first%20issue&StatusID=6")));

    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished[0][0].toInt(), int(QDialog::Accepted));
}

void TestTransferDialog::runningRowSaysHowFarItIsAndTheViewFollowsIt()
{
    if (dialogUnderRaceChecker)
        QSKIP("on screen");
    TestReply slow;
    slow.streamSize = 8 * 1024 * 1024;
    slow.chunkSize = 64 * 1024;
    slow.chunkDelay = std::chrono::milliseconds(50);
    m_service->server().on("GET", "/protected/Document.download", [slow](const RecordedRequest& request) {
        return request.target.find("r=70") != std::string::npos ? slow : TestReply::text(200, "small");
    });
    QList<DownloadItem> items;
    for (int r = 1; r <= 80; ++r) {
        items << dialogDocument(r, QStringLiteral("d%1.bin").arg(r), m_dir->path());
        items.last().setSize(r == 70 ? slow.streamSize : 5);
    }
    const auto shownDialog = downloadDialog(items);
    DownloadDialog& dialog = *shownDialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* view = dialog.findChild<QTableView*>();
    const QModelIndex running = view->model()->index(69, 4);
    dialog.findChild<QPushButton*>(QStringLiteral("startButton"))->click();
    QTRY_VERIFY_WITH_TIMEOUT(running.data().toString().startsWith(QStringLiteral("Downloading, ")), 20000);
    QVERIFY(running.data().toString().endsWith(QStringLiteral("% of 8.4 MB")));
    QCOMPARE(running.data(Qt::ToolTipRole), running.data());
    const auto shown = [view] {
        const QRect row = view->visualRect(view->model()->index(69, 0));
        return row.top() >= 0 && row.bottom() < view->viewport()->height();
    };
    QTRY_VERIFY(shown());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTRY_COMPARE(dialog.findChild<QLabel*>(QStringLiteral("completionLabel"))->text(),
        QStringLiteral("Canceled: 69 done, 1 failed, 10 not started"));
}

QTEST_MAIN(TestTransferDialog)
#include "tst_transferdialog.moc"

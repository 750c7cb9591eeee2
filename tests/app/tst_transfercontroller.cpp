#include "app/transfercontroller.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/fakeservice.h"
#include "support/recorders.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadlistingdialog.h"

#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <memory>

// The walk below dropped remote rows, which runs on the session's thread while the window stays usable.
class TestTransferController : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void walkRunsInTheBackgroundUntilCanceledOrTheWindowGoes();
};

// Cancel ends the wait at once, and a window that goes takes the walk with it; no download dialog
// opens for either.
void TestTransferController::walkRunsInTheBackgroundUntilCanceledOrTheWindowGoes()
{
    FakeService service;
    TestReply slow
        = TestReply::text(200, FakeService::list(FakeService::folder(10, "Plans", "documents", 1)));
    slow.delay = std::chrono::milliseconds(1000);
    service.setFault("/rest/Folders", slow);
    auto session = std::make_unique<SessionRunner>(
        std::make_unique<Rest>(service.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo")));
    BoxRecorder boxes;
    LineRecorder lines;
    int dialogs = 0;
    DownloadDialog::setRunner([&dialogs](DownloadDialog&) { return ++dialogs, int(QDialog::Rejected); });
    const QStringList project { QString::fromStdString(FakeService::project(1, "Alpha")) };
    auto window = std::make_unique<QWidget>();
    auto* transfers = new TransferController(window.get());
    transfers->setSession(session.get());

    transfers->downloadRequested(project, QDir::tempPath());
    DownloadListingDialog* listing = nullptr;
    QTRY_VERIFY((listing = window->findChild<DownloadListingDialog*>()) && listing->isVisible());
    QTRY_COMPARE(
        listing->findChild<QLabel*>()->text(), QStringLiteral("Listing Alpha/Plans: 2 folders, 0 documents"));
    QTest::mouseClick(listing->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QVERIFY(!transfers->isBusy());
    // The session answers in order: once a later job is through, the walk has ended.
    service.clearFault("/rest/Folders");
    bool later = false;
    session->run(
        transfers, [](Rest& rest, const JobControl&) { rest.getDocuments(1); }, [&later] { later = true; },
        [](std::exception_ptr) {});
    QTRY_VERIFY(later);
    QCOMPARE(dialogs, 0);

    service.setFault("/rest/Folders", slow);
    transfers->downloadRequested(project, QDir::tempPath());
    QTRY_VERIFY(!service.server().requests("/rest/Folders").empty());
    window.reset();
    session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QCoreApplication::processEvents();
    QCOMPARE(dialogs, 0);
    QVERIFY(boxes.texts().isEmpty());
    QVERIFY(!lines.contains(QStringLiteral("Connection error while retreiving the subfolders of a folder")));
    DownloadDialog::setRunner(nullptr);
}

QTEST_MAIN(TestTransferController)
#include "tst_transfercontroller.moc"

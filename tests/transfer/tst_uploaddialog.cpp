#include "model/restfolder.h"
#include "rest/rest.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"
#include "uploadfakeservice.h"

#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

// The dialog is never shown here: painting runs on the toolkit's own thread pool, which the race checker
// cannot follow. What needs a window on screen is in tst_uploaddialogview.
class TestUploadDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void escapeClosesExceptWhileRunning();
    void failedContactStillEndsFinishedWithProgressAtZero();
    void destroyingWhileRunningCancelsAndWaits();

private:
    // Two folders, one inside the other, and five files: one beside them, two in each folder; seven rows.
    std::unique_ptr<UploadDialog> makeDialog();
    // Holds the listing of the target folder back until the test ends.
    void slowListing();

    template<typename T> T* child(UploadDialog& dialog, const char* name)
    {
        return dialog.findChild<T*>(QLatin1String(name));
    }
    static QString tip(UploadDialog& dialog, int row)
    {
        return dialog.findChild<QTableView*>()->model()->index(row, 4).data(Qt::ToolTipRole).toString();
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<UploadFakeService> m_service;
    std::unique_ptr<Rest> m_rest;
    RestFolder m_folder;
    QList<RestStatus> m_statuses;
};

void TestUploadDialog::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_service = std::make_unique<UploadFakeService>();
    m_rest = m_service->logon();
    m_folder = RestFolder(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
        QStringLiteral("documents"), 0, 7, QString(), 0, 0);
    m_statuses = { RestStatus(4, QStringLiteral("Draft"), 1), RestStatus(6, QStringLiteral("Final"), 2) };
}

void TestUploadDialog::cleanup()
{
    m_rest.reset();
    m_service.reset();
    m_dir.reset();
}

std::unique_ptr<UploadDialog> TestUploadDialog::makeDialog()
{
    QDir root(m_dir->path());
    root.mkpath(QStringLiteral("outer/inner"));
    for (const char* name :
        { "loose.txt", "outer/a.txt", "outer/b.txt", "outer/inner/c.txt", "outer/inner/d.txt" }) {
        QFile file(root.filePath(QLatin1String(name)));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write a test file");
        file.write(name);
    }
    UploadListBuilder builder(m_statuses.first());
    builder.addUrls({ QUrl::fromLocalFile(root.filePath(QStringLiteral("loose.txt"))),
        QUrl::fromLocalFile(root.filePath(QStringLiteral("outer"))) });
    auto dialog = std::make_unique<UploadDialog>(&m_folder, builder.items(), builder.folderCount(),
        builder.fileCount(), QStringLiteral("Site/Docs"), m_statuses, m_rest.get());
    dialog->setMinimumSize(806, 400);
    return dialog;
}

void TestUploadDialog::slowListing()
{
    TestReply slow = TestReply::text(200, "[]");
    slow.delay = std::chrono::seconds(30);
    m_service->setDocuments(3, slow);
}

void TestUploadDialog::escapeClosesExceptWhileRunning()
{
    {
        const auto prepared = makeDialog();
        QSignalSpy closed(prepared.get(), &QDialog::finished);
        QTest::keyClick(prepared.get(), Qt::Key_Escape);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(prepared->result(), int(QDialog::Rejected));
    }

    slowListing();
    const auto dialog = makeDialog();
    QSignalSpy closed(dialog.get(), &QDialog::finished);
    auto* start = child<QPushButton>(*dialog, "startButton");
    start->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_service->calls().contains(QStringLiteral("GET Documents?f=3")), 20000);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QCOMPARE(closed.size(), 0);
    QTRY_COMPARE(start->text(), QStringLiteral("Close"));
    QCOMPARE(tip(*dialog, 6), QStringLiteral("Canceled by user"));
    QCOMPARE(child<QProgressBar>(*dialog, "progressBar")->value(), 7);
    // The session works again after the cancel.
    QCOMPARE(m_rest->getDocuments(4).size(), 0);

    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QCOMPARE(closed.size(), 1);
    QCOMPARE(dialog->result(), int(QDialog::Rejected));
}

void TestUploadDialog::failedContactStillEndsFinishedWithProgressAtZero()
{
    m_service->setContact(TestReply::text(500, "gone"));
    const auto dialog = makeDialog();
    auto* start = child<QPushButton>(*dialog, "startButton");
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 20000);
    QCOMPARE(child<QProgressBar>(*dialog, "progressBar")->value(), 0);
    QCOMPARE(tip(*dialog, 4), QStringLiteral("Error: gone"));
}

void TestUploadDialog::destroyingWhileRunningCancelsAndWaits()
{
    slowListing();
    auto dialog = makeDialog();
    child<QPushButton>(*dialog, "startButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_service->calls().contains(QStringLiteral("GET Documents?f=3")), 20000);
    dialog.reset();
    QCOMPARE(m_rest->getDocuments(4).size(), 0);
}

QTEST_MAIN(TestUploadDialog)
#include "tst_uploaddialog.moc"

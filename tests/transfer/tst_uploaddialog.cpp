#include "model/restfolder.h"
#include "rest/rest.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"
#include "uploadfakeservice.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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
    void preparedDialogShowsHeadingAndEditorsOnFileRowsOnly();
    void uploadRunsFromStartToCloseWithTheEditedValues();
    void escapeClosesExceptWhileRunning();
    void failedContactStillEndsFinishedWithProgressAtZero();
    void destroyingWhileRunningCancelsAndWaits();

private:
    // Two folders, one inside the other, and five files: one beside them, two in each folder.
    QList<UploadItem> makeTree(int& folders, int& files);
    std::unique_ptr<UploadDialog> makeDialog(const QList<UploadItem>& items, int folders, int files);

    template<typename T> T* child(UploadDialog& dialog, const char* name)
    {
        return dialog.findChild<T*>(QLatin1String(name));
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
    UploadDialog::setExecHook(nullptr);
    m_rest.reset();
    m_service.reset();
    m_dir.reset();
}

QList<UploadItem> TestUploadDialog::makeTree(int& folders, int& files)
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
    folders = builder.folderCount();
    files = builder.fileCount();
    return builder.items();
}

std::unique_ptr<UploadDialog> TestUploadDialog::makeDialog(
    const QList<UploadItem>& items, int folders, int files)
{
    auto dialog = std::make_unique<UploadDialog>(
        &m_folder, items, folders, files, QStringLiteral("Site/Docs"), m_statuses, m_rest.get());
    dialog->setMinimumSize(806, 400);
    return dialog;
}

void TestUploadDialog::preparedDialogShowsHeadingAndEditorsOnFileRowsOnly()
{
    int folders = 0;
    int files = 0;
    const QList<UploadItem> items = makeTree(folders, files);
    const auto dialog = makeDialog(items, folders, files);
    QVERIFY(child<QPushButton>(*dialog, "startButton")->isDefault());

    QCOMPARE(child<QLabel>(*dialog, "headingLabel")->text(),
        QStringLiteral("2 folders, 5 files upload to Site/Docs"));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("Upload files"));
    auto* progress = child<QProgressBar>(*dialog, "progressBar");
    QVERIFY(!progress->isVisibleTo(dialog.get()));
    auto* start = child<QPushButton>(*dialog, "startButton");
    QCOMPARE(start->text(), QStringLiteral("Start"));
    QVERIFY(child<QPushButton>(*dialog, "cancelButton")->isEnabled());

    auto* view = child<QTableView>(*dialog, "view");
    QCOMPARE(view->model()->rowCount(), 7);
    for (int row = 0; row < items.size(); ++row) {
        const bool file = items.at(row).fileInfo().isFile();
        for (int column = 0; column < 5; ++column) {
            const bool editor = view->isPersistentEditorOpen(view->model()->index(row, column));
            QCOMPARE(editor, file && (column == 2 || column == 3));
        }
        if (file) {
            auto* combo = qobject_cast<QComboBox*>(view->indexWidget(view->model()->index(row, 3)));
            QCOMPARE(combo->currentText(), QStringLiteral("Draft"));
        }
    }
}

void TestUploadDialog::uploadRunsFromStartToCloseWithTheEditedValues()
{
    int folders = 0;
    int files = 0;
    const QList<UploadItem> items = makeTree(folders, files);
    const auto dialog = makeDialog(items, folders, files);
    QSignalSpy closed(dialog.get(), &QDialog::finished);
    auto* view = child<QTableView>(*dialog, "view");
    auto* start = child<QPushButton>(*dialog, "startButton");
    auto* cancel = child<QPushButton>(*dialog, "cancelButton");
    auto* progress = child<QProgressBar>(*dialog, "progressBar");
    QCOMPARE(progress->minimum(), 0);
    QCOMPARE(progress->maximum(), 7);

    // The loose file is the first row: describe it and give it the second status.
    QCOMPARE(items.first().fileInfo().fileName(), QStringLiteral("loose.txt"));
    auto* line = qobject_cast<QLineEdit*>(view->indexWidget(view->model()->index(0, 2)));
    line->setText(QStringLiteral("for review"));
    emit line->editingFinished();
    qobject_cast<QComboBox*>(view->indexWidget(view->model()->index(0, 3)))->setCurrentIndex(1);

    // Slow enough that the running state can be seen.
    TestReply slow = TestReply::text(200, R"({"ObjectType":"Contact","ID":5})");
    slow.delay = std::chrono::milliseconds(300);
    m_service->setContact(slow);
    start->click();
    QCOMPARE(start->text(), QStringLiteral("Busy"));
    QVERIFY(!start->isEnabled());
    QVERIFY(progress->isVisibleTo(dialog.get()));
    for (int row = 0; row < items.size(); ++row) {
        QVERIFY(!view->isPersistentEditorOpen(view->model()->index(row, 2)));
        QVERIFY(!view->isPersistentEditorOpen(view->model()->index(row, 3)));
    }
    QCOMPARE(view->model()->index(0, 2).data().toString(), QStringLiteral("for review"));
    QCOMPARE(view->model()->index(0, 3).data().toString(), QStringLiteral("Final"));
    QCOMPARE(view->model()->index(3, 4).data(Qt::ToolTipRole).toString(), QStringLiteral("Queued"));

    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 20000);
    QVERIFY(start->isEnabled());
    QVERIFY(!cancel->isEnabled());
    QCOMPARE(progress->value(), 7);
    QVERIFY(!progress->isVisibleTo(dialog.get()));
    QVERIFY(child<QLabel>(*dialog, "doneLabel")->isVisibleTo(dialog.get()));
    for (int row = 0; row < items.size(); ++row)
        QCOMPARE(view->model()->index(row, 4).data(Qt::ToolTipRole).toString().isEmpty(), false);
    QVERIFY(m_service->calls().contains(
        QStringLiteral("POST Documents?f=3&Name=loose.txt&Description=for%20review&StatusID=6")));

    QCOMPARE(closed.size(), 0);
    start->click();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(dialog->result(), int(QDialog::Accepted));
}

void TestUploadDialog::escapeClosesExceptWhileRunning()
{
    int folders = 0;
    int files = 0;
    const QList<UploadItem> items = makeTree(folders, files);
    {
        const auto prepared = makeDialog(items, folders, files);
        QSignalSpy closed(prepared.get(), &QDialog::finished);
        QTest::keyClick(prepared.get(), Qt::Key_Escape);
        QCOMPARE(closed.size(), 1);
        QCOMPARE(prepared->result(), int(QDialog::Rejected));
    }

    TestReply slow = TestReply::text(200, "[]");
    slow.delay = std::chrono::seconds(30);
    m_service->setDocuments(3, slow);
    const auto dialog = makeDialog(items, folders, files);
    QSignalSpy closed(dialog.get(), &QDialog::finished);
    auto* start = child<QPushButton>(*dialog, "startButton");
    start->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_service->calls().contains(QStringLiteral("GET Documents?f=3")), 20000);
    QTest::keyClick(dialog.get(), Qt::Key_Escape);
    QCOMPARE(closed.size(), 0);
    QTRY_COMPARE(start->text(), QStringLiteral("Close"));
    auto* view = child<QTableView>(*dialog, "view");
    QCOMPARE(view->model()->index(0, 4).data(Qt::ToolTipRole).toString(),
        QStringLiteral("Network connection problem or canceled by user"));
    QCOMPARE(view->model()->index(6, 4).data(Qt::ToolTipRole).toString(), QStringLiteral("Canceled by user"));
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
    int folders = 0;
    int files = 0;
    const auto dialog = makeDialog(makeTree(folders, files), folders, files);
    auto* start = child<QPushButton>(*dialog, "startButton");
    start->click();
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 20000);
    QCOMPARE(child<QProgressBar>(*dialog, "progressBar")->value(), 0);
    auto* view = child<QTableView>(*dialog, "view");
    QCOMPARE(view->model()->index(4, 4).data(Qt::ToolTipRole).toString(), QStringLiteral("Error: gone"));
}

void TestUploadDialog::destroyingWhileRunningCancelsAndWaits()
{
    TestReply slow = TestReply::text(200, "[]");
    slow.delay = std::chrono::seconds(30);
    m_service->setDocuments(3, slow);
    int folders = 0;
    int files = 0;
    auto dialog = makeDialog(makeTree(folders, files), folders, files);
    child<QPushButton>(*dialog, "startButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(m_service->calls().contains(QStringLiteral("GET Documents?f=3")), 20000);
    dialog.reset();
    QCOMPARE(m_rest->getDocuments(4).size(), 0);
}

QTEST_MAIN(TestUploadDialog)
#include "tst_uploaddialog.moc"

#include "model/restfolder.h"
#include "rest/rest.h"
#include "transfer/downloaddialog.h"
#include "transfer/uploaddialog.h"
#include "uploadfakeservice.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

// The transfer dialogs on screen. Kept apart from tst_transferdialog: painting runs on the toolkit's
// own thread pool, which the race checker cannot follow.
class TestTransferDialogView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void editorsCoverTheFileRowsOnScreenAndKeepUnfinishedEdits();
    void enterInADescriptionStartsTheUploadNotCancel();
    void runningRowSaysHowFarItIsAndTheViewFollowsItUntilScrolledAway();

private:
    // Makes a file or folder below the temporary folder and lists it.
    void add(const QString& relativePath, bool folder = false);
    std::unique_ptr<UploadDialog> makeDialog(Rest* rest = nullptr);

    std::unique_ptr<QTemporaryDir> m_dir;
    RestFolder m_folder;
    QList<UploadItem> m_items;
    QList<RestStatus> m_statuses { RestStatus(4, QStringLiteral("Draft"), 1),
        RestStatus(6, QStringLiteral("Final"), 2) };
};

void TestTransferDialogView::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_folder = RestFolder(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
        QStringLiteral("documents"), 0, 7, QString(), 0, 0);
    m_items.clear();
}

void TestTransferDialogView::cleanup()
{
    m_dir.reset();
}

void TestTransferDialogView::add(const QString& relativePath, bool folder)
{
    const QString path = m_dir->filePath(relativePath);
    QDir().mkpath(folder ? path : QFileInfo(path).path());
    QFile file(path);
    if (!folder && (!file.open(QIODevice::WriteOnly) || file.write("plan") != 4))
        qFatal("cannot write a test file");
    m_items.append(UploadItem(QFileInfo(path), m_statuses.first(),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QString(), {}, -1, -1, QString()));
}

std::unique_ptr<UploadDialog> TestTransferDialogView::makeDialog(Rest* rest)
{
    const auto folders = std::count_if(
        m_items.cbegin(), m_items.cend(), [](const UploadItem& item) { return item.fileInfo().isDir(); });
    auto dialog = std::make_unique<UploadDialog>(&m_folder, m_items, int(folders),
        int(m_items.size() - folders), QStringLiteral("Site/Docs"), m_statuses, rest);
    dialog->setMinimumSize(806, 400);
    return dialog;
}

void TestTransferDialogView::editorsCoverTheFileRowsOnScreenAndKeepUnfinishedEdits()
{
    // Four folders among the first rows, the others files, each a sibling of the others.
    for (int row = 0; row < 2004; ++row)
        add(QStringLiteral("entry%1").arg(row), row < 12 && row % 3 == 0);
    const auto dialog = makeDialog();
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
    auto* view = dialog->findChild<QTableView*>();
    const auto editorOpen = [view](int row, int column = 2) {
        return view->isPersistentEditorOpen(view->model()->index(row, column));
    };
    const int last = static_cast<int>(m_items.size()) - 1;
    const int lastShown = view->rowAt(view->viewport()->height() - 1);
    QVERIFY(lastShown > 9);
    for (int row = 0; row <= lastShown; ++row) {
        QCOMPARE(editorOpen(row), m_items.at(row).fileInfo().isFile());
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
void TestTransferDialogView::enterInADescriptionStartsTheUploadNotCancel()
{
    UploadFakeService service;
    const std::unique_ptr<Rest> rest = service.logon();
    add(QStringLiteral("plan.txt"));
    const auto shown = makeDialog(rest.get());
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
    QVERIFY(!start->isEnabled());
    QTRY_COMPARE(start->text(), QStringLiteral("Close"));
    QVERIFY(!dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->isEnabled());
    QCOMPARE(finished.count(), 0);
    QCOMPARE(view->model()->index(0, 4).data(Qt::ToolTipRole).toString(),
        QStringLiteral("Document uploaded successfully"));
    QCOMPARE(service.calls().filter(QStringLiteral("POST Documents")),
        QStringList(QStringLiteral("POST Documents?f=3&Name=plan.txt&Description=first%20issue&StatusID=6")));

    QTest::keyClick(&dialog, Qt::Key_Return);
    QCOMPARE(finished.count(), 1);
    QCOMPARE(finished[0][0].toInt(), int(QDialog::Accepted));
}

void TestTransferDialogView::runningRowSaysHowFarItIsAndTheViewFollowsItUntilScrolledAway()
{
    UploadFakeService service;
    TestReply slow;
    slow.streamSize = 8 * 1024 * 1024;
    slow.chunkSize = 64 * 1024;
    slow.chunkDelay = std::chrono::milliseconds(50);
    service.server().on("GET", "/protected/Document.download", [slow](const RecordedRequest& request) {
        return request.target.find("r=70") != std::string::npos ? slow : TestReply::text(200, "small");
    });
    const std::unique_ptr<Rest> rest = service.logon();
    QList<DownloadItem> items;
    for (int r = 1; r <= 80; ++r) {
        items << DownloadItem(QStringLiteral("Document"), r, QStringLiteral("d%1.bin").arg(r), QString(),
            QString(), QString(), QString(), ModelItemStatus(ModelItemStatus::Listed, QString()), {},
            m_dir->path(), 10);
        items.last().setSize(r == 70 ? slow.streamSize : 5);
    }
    DownloadDialog dialog(items, 0, 80, rest.get(), m_dir->path());
    dialog.setMinimumSize(806, 400);
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

    view->verticalScrollBar()->setValue(0);
    QTest::qWait(400);
    QVERIFY(!shown());
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QTRY_COMPARE(dialog.findChild<QLabel*>(QStringLiteral("completionLabel"))->text(),
        QStringLiteral("Canceled: 69 done, 1 failed, 10 not started"));
}

QTEST_MAIN(TestTransferDialogView)
#include "tst_transferdialogview.moc"

#include "widgets/itemicons.h"
#include "rest/rest.h"
#include "support/testserver.h"
#include "transfer/confirmationdialog.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <memory>

namespace {
DownloadItem dialogDocument(int id, const QString& name, const QString& localDir)
{
    return DownloadItem(QStringLiteral("Document"), id, name, QString(), QStringLiteral("Bridge/Plans"),
        QStringLiteral("about ") + name, QStringLiteral("Draft"),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, 10);
}

QImage dialogIcon(const QVariant& icon)
{
    return icon.value<QIcon>().pixmap(16, 16).toImage();
}

QByteArray dialogRead(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void dialogWrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

// The status tool tips of every row.
QStringList dialogStatuses(DownloadDialog& dialog)
{
    QStringList statuses;
    for (int row = 0; row < dialog.model()->rowCount(); ++row)
        statuses << dialog.model()->index(row, 4).data(Qt::ToolTipRole).toString();
    return statuses;
}
} // namespace

class TestDownloadDialog : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void cancelBeforeStartRejectsWithoutDownloading();
    void startRunsTheListToCloseThenEscapeRejects();
    void emptyListGoesStraightToDone();
    void confirmationBoxAsksWithApplyToAll();
    void escapeWhileTheQuestionIsQueuedCancelsWithoutShowingItAndKeepsTheDialogOpen();

private:
    QPushButton* button(DownloadDialog& dialog, const char* name) const
    {
        return dialog.findChild<QPushButton*>(QLatin1String(name));
    }
    void waitForDone(DownloadDialog& dialog) const
    {
        QTRY_COMPARE_WITH_TIMEOUT(button(dialog, "startButton")->text(), QStringLiteral("Close"), 30000);
    }

    std::unique_ptr<TestServer> m_server;
    std::unique_ptr<Rest> m_rest;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
};

void TestDownloadDialog::init()
{
    m_server = std::make_unique<TestServer>();
    m_server->on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server->on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    m_server->on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanDownload":true})"));
    m_server->on("GET", "/protected/Document.download", TestReply::text(200, "new content"));
    m_rest = std::make_unique<Rest>(m_server->baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->path();
}

void TestDownloadDialog::cleanup()
{
    DownloadDialog::setOverwriteQuestion(nullptr);
    m_rest.reset();
    m_server.reset();
    m_dir.reset();
}

void TestDownloadDialog::cancelBeforeStartRejectsWithoutDownloading()
{
    // Escape when nothing runs rejects as after the run (see the next case).
    DownloadDialog dialog({ dialogDocument(21, "a.txt", m_target) }, 0, 1, m_rest.get(), m_target);
    QSignalSpy closed(&dialog, &QDialog::finished);
    button(dialog, "cancelButton")->click();
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed[0][0].toInt(), int(QDialog::Rejected));
    QCOMPARE(m_server->requests().size(), std::size_t(1));
    QVERIFY(!QFileInfo::exists(m_target + "/a.txt"));
}

// Closing with the Close button (Enter) is in the view test.
void TestDownloadDialog::startRunsTheListToCloseThenEscapeRejects()
{
    QList<DownloadItem> items { DownloadItem(QStringLiteral("Folder"), 5, "Plans",
                                    QStringLiteral("documents"), QStringLiteral("Bridge"), QString(),
                                    QString(), ModelItemStatus(ModelItemStatus::Listed, QString()),
                                    QList<int>(), m_target, 0),
        dialogDocument(21, "a.txt", m_target + "/Plans"), dialogDocument(22, "b.txt", m_target) };
    items[0].addChild(1);
    DownloadDialog dialog(items, 1, 2, m_rest.get(), m_target);
    QSignalSpy closed(&dialog, &QDialog::finished);
    button(dialog, "startButton")->click();

    QCOMPARE(button(dialog, "startButton")->text(), QStringLiteral("Busy"));
    QVERIFY(!button(dialog, "startButton")->isEnabled());
    auto* progress = dialog.findChild<QProgressBar*>();
    QVERIFY(progress);
    QCOMPARE(progress->maximum(), 3);
    // Queued statuses are written before the worker's first status can arrive.
    QCOMPARE(dialogStatuses(dialog), QStringList(3, "Queued"));

    waitForDone(dialog);
    QCOMPARE(progress->value(), 3);
    QVERIFY(dialog.findChild<QLabel*>("completionLabel")->isVisibleTo(&dialog));
    QVERIFY(!button(dialog, "cancelButton")->isEnabled());
    QCOMPARE(dialogStatuses(dialog), QStringList(3, "Successful"));

    // The table: the type icon follows the object type, not the status, which shows as icon and tool tip.
    DownloadModel* model = dialog.model();
    QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
    QStringList texts;
    for (int column = 0; column < 5; ++column)
        texts << model->index(1, column).data().toString();
    QCOMPARE(texts, QStringList({ "a.txt", "Bridge/Plans", "about a.txt", "Draft", "" }));
    QCOMPARE(dialogIcon(model->index(0, 0).data(Qt::DecorationRole)),
        dialogIcon(QIcon(folderIconPath(QStringLiteral("documents")))));
    QCOMPARE(dialogIcon(model->index(1, 0).data(Qt::DecorationRole)),
        dialogIcon(QIcon(documentIconPath(QStringLiteral("a.txt")))));
    QCOMPARE(dialogIcon(model->index(1, 4).data(Qt::DecorationRole)),
        dialogIcon(QIcon(QStringLiteral(":/images/icons/ok.gif"))));

    QCOMPARE(closed.count(), 0);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QCOMPARE(closed.count(), 1);
    QCOMPARE(closed[0][0].toInt(), int(QDialog::Rejected));
}

void TestDownloadDialog::emptyListGoesStraightToDone()
{
    DownloadDialog dialog({}, 0, 0, m_rest.get(), m_target);
    button(dialog, "startButton")->click();
    QCOMPARE(dialog.findChild<QProgressBar*>()->maximum(), 0);
    waitForDone(dialog);
    QVERIFY(dialog.findChild<QLabel*>("completionLabel")->isVisibleTo(&dialog));
}

void TestDownloadDialog::confirmationBoxAsksWithApplyToAll()
{
    dialogWrite(m_target + "/a.txt", "old a");
    dialogWrite(m_target + "/b.txt", "old b");
    QList<DownloadItem> items { dialogDocument(21, "a.txt", m_target),
        dialogDocument(22, "b.txt", m_target) };
    DownloadDialog dialog(items, 0, 2, m_rest.get(), m_target);
    int boxes = 0;
    // Answers the real box: "Apply to all" ticked, then No.
    QTimer answerer;
    connect(&answerer, &QTimer::timeout, this, [this, &boxes] {
        auto* box = qobject_cast<ConfirmationDialog*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        ++boxes;
        QCOMPARE(box->text(), "A file with the following name already exists: " + m_target + "/a.txt");
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        // The box builds a new grid when its texts change; the row must be in the grid that shows.
        QVERIFY(box->applyToAllCheckBox()->isVisible());
        QVERIFY(box->layout()->indexOf(box->applyToAllCheckBox()->parentWidget()) >= 0);
        box->applyToAllCheckBox()->setChecked(true);
        box->button(QMessageBox::No)->click();
    });
    answerer.start(20);
    button(dialog, "startButton")->click();
    waitForDone(dialog);
    QCOMPARE(boxes, 1);
    QCOMPARE(dialogStatuses(dialog), QStringList(2, "File already existed, skipped by user"));
    QCOMPARE(dialogRead(m_target + "/a.txt"), QByteArray("old a"));
}

void TestDownloadDialog::escapeWhileTheQuestionIsQueuedCancelsWithoutShowingItAndKeepsTheDialogOpen()
{
    dialogWrite(m_target + "/a.txt", "old a");
    int asked = 0;
    DownloadDialog::setOverwriteQuestion([&asked](const QString&, bool&) {
        ++asked;
        return QMessageBox::Yes;
    });
    QList<DownloadItem> items { dialogDocument(21, "a.txt", m_target),
        dialogDocument(22, "b.txt", m_target) };
    DownloadDialog dialog(items, 0, 2, m_rest.get(), m_target);
    std::atomic<bool> questionSent { false };
    connect(
        dialog.worker(), &DownloadThread::documentAlreadyExists, dialog.worker(),
        [&questionSent](const QString&) { questionSent = true; }, Qt::DirectConnection);
    QSignalSpy closed(&dialog, &QDialog::finished);
    button(dialog, "startButton")->click();
    // The user cancels while the question still waits in the event queue.
    while (!questionSent)
        QThread::msleep(5);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    QVERIFY(dialog.worker()->isFinished());
    waitForDone(dialog);
    QCOMPARE(asked, 0);
    QCOMPARE(closed.count(), 0);
    QCOMPARE(dialogStatuses(dialog), QStringList(2, "Canceled by user"));
    QCOMPARE(dialogRead(m_target + "/a.txt"), QByteArray("old a"));
    // The session's cancel was cleared for the calls that come after the dialog.
    QVERIFY(m_rest->getFolderAccess(1).canDownload());
}

QTEST_MAIN(TestDownloadDialog)
#include "tst_downloaddialog.moc"

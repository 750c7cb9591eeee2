#include "app/mainwindow.h"
#include "app/transfercontroller.h"
#include "model/restfolder.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "server/demotestserver.h"
#include "transfer/downloaddialog.h"
#include "transfer/uploaddialog.h"

#include <QApplication>
#include <QBuffer>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {
void keyTransferKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

QModelIndex keyTransferRow(const QTreeView* tree, const QString& name)
{
    const QModelIndexList found = tree->model()->match(
        tree->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

// Types a row's name into a tree, which makes that row current and selected.
void keyTransferType(QTreeView* tree, const QString& name)
{
    // A pause first, so that the tree starts a new search rather than going on with the last one.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTRY_VERIFY_WITH_TIMEOUT(keyTransferRow(tree, name).isValid(), 20000);
    QTest::keyClicks(QApplication::focusWidget(), name);
    QTRY_COMPARE(tree->currentIndex().siblingAtColumn(0).data().toString(), name);
}

// Return presses the dialog's default button: Start, and once the transfer is done, Close.
void keyTransferStartAndClose(QDialog& dialog, QStringList& outcomes)
{
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
    keyTransferKey(Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 30000);
    const QAbstractItemModel* rows = dialog.findChild<QTableView*>()->model();
    for (int row = 0; row < rows->rowCount(); ++row)
        outcomes << rows->index(row, 0).data().toString() + ": " + rows->index(row, 4).data().toString();
    keyTransferKey(Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
}
} // namespace

// One upload and one download against the demo server with key events alone: select, command, Start,
// Close.
class TestKeyboardTransfer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void uploadAndDownloadWithoutAMouse();
};

void TestKeyboardTransfer::uploadAndDownloadWithoutAMouse()
{
    QStandardPaths::setTestModeEnabled(true);
    const QByteArray realHome = qgetenv("HOME");
    QTemporaryDir dir;
    const QString home = dir.filePath(QStringLiteral("home/ann"));
    QVERIFY(QDir().mkpath(home + QStringLiteral("/zqinbox")));
    QFile file(home + QStringLiteral("/zqplan.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("typed, not dragged") == 18);
    file.close();
    qputenv("HOME", QFile::encodeName(home));

    DemoTestServer server;
    QVERIFY(server.start());
    Rest check(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));
    const RestProject project = check.getProjects().value(0);
    const QList<RestFolder> folders = check.getProjectFolders(project.id());
    const auto contracts = std::find_if(folders.cbegin(), folders.cend(),
        [](const RestFolder& folder) { return folder.name() == QLatin1String("Contracts"); });
    QVERIFY(contracts != folders.cend());

    QStringList outcomes;
    UploadDialog::setExecHook([&outcomes](UploadDialog& dialog) {
        // The plan first, so that Start finds it.
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.planTexts().isEmpty(), 20000);
        QCOMPARE(dialog.planTexts(), QStringList { "New document" });
        keyTransferStartAndClose(dialog, outcomes);
    });
    DownloadDialog::setRunner([&outcomes](DownloadDialog& dialog) {
        keyTransferStartAndClose(dialog, outcomes);
        return dialog.result();
    });
    {
        MainWindow window(std::make_unique<SessionRunner>(
            std::make_unique<Rest>(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"))));
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        auto* local = window.findChild<QTreeView*>(QStringLiteral("localView"));
        auto* remote = window.findChild<QTreeView*>(QStringLiteral("remoteView"));
        QCOMPARE(QApplication::focusWidget(), local);

        // Up: the local file to the remote folder.
        keyTransferType(local, QStringLiteral("zqplan.txt"));
        keyTransferKey(Qt::Key_Tab);
        keyTransferType(remote, project.name());
        keyTransferKey(Qt::Key_Return);
        keyTransferType(remote, QStringLiteral("Contracts"));
        keyTransferKey(Qt::Key_U, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!window.transfers()->isBusy() && !outcomes.isEmpty(), 30000);
        QCOMPARE(outcomes, QStringList { "zqplan.txt: Document uploaded successfully" });
        // The window manager gives the window back its activation when the dialog goes.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QCOMPARE(QApplication::focusWidget(), remote);

        // Down: a remote document to the local folder.
        keyTransferKey(Qt::Key_Return);
        keyTransferType(remote, QStringLiteral("Main contract.pdf"));
        keyTransferKey(Qt::Key_Tab, Qt::ShiftModifier);
        keyTransferType(local, QStringLiteral("zqinbox"));
        keyTransferKey(Qt::Key_D, Qt::ControlModifier);
        QTRY_VERIFY_WITH_TIMEOUT(!window.transfers()->isBusy() && outcomes.size() == 2, 30000);
        QCOMPARE(outcomes.last(), QStringLiteral("Main contract.pdf: Successful"));
    }
    UploadDialog::setExecHook(nullptr);
    DownloadDialog::setRunner(nullptr);

    // The server holds the upload, the disk the download, byte for byte.
    QBuffer uploaded;
    uploaded.open(QIODevice::WriteOnly);
    QBuffer original;
    original.open(QIODevice::WriteOnly);
    for (const RestDocument& document : check.getDocuments(contracts->id())) {
        if (document.name() == QLatin1String("zqplan.txt"))
            check.downloadDocument(contracts->id(), document.id(), uploaded);
        if (document.name() == QLatin1String("Main contract.pdf"))
            check.downloadDocument(contracts->id(), document.id(), original);
    }
    QCOMPARE(uploaded.data(), QByteArray("typed, not dragged"));
    QFile downloaded(home + QStringLiteral("/zqinbox/Main contract.pdf"));
    QVERIFY(downloaded.open(QIODevice::ReadOnly));
    QVERIFY(!original.data().isEmpty());
    QVERIFY(downloaded.readAll() == original.data());
    QVERIFY(JobQueue::waitForAll(10000));
    qputenv("HOME", realHome);
}

QTEST_MAIN(TestKeyboardTransfer)
#include "tst_keyboardtransfer.moc"

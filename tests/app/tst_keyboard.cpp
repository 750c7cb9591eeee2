#include "app/aboutdialog.h"
#include "app/logindialog.h"
#include "app/mainwindow.h"
#include "app/transfercontroller.h"
#include "app/treecommands.h"
#include "local/localtreemodel.h"
#include "model/restfolder.h"
#include "remote/kelmartreemodel.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/guifixture.h"
#include "transfer/downloaddialog.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {
// Drags data over a row of the view and drops it there, as the mouse does.
void keyboardTestDrop(QAbstractItemView* view, const QModelIndex& row, const QMimeData* data)
{
    const QPoint at = view->visualRect(row).center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view->viewport(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view->viewport(), &drop);
}

void keyboardTestKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

} // namespace

// The program without a mouse: the commands beside drag and drop, driven by key events alone, and
// what a screen reader and the Tab key find in each window.
class TestKeyboard : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void commandsHandOverWhatADropWould_data();
    void commandsHandOverWhatADropWould();
    void f5ReadsTheCurrentRowOfEitherTreeAgain();
    void everyControlHasANameAndTabReachesItInOrder_data();
    void everyControlHasANameAndTabReachesItInOrder();

private:
    QTreeView* view(const char* name) { return m_window->findChild<QTreeView*>(QLatin1String(name)); }
    // Types a row's name into a tree, which makes that row current and selected.
    void type(QTreeView* tree, const QString& name);
    // From the remote tree's top: opens the project and goes to its folder.
    void openPlans(QTreeView* remote)
    {
        type(remote, QStringLiteral("Alpha"));
        keyboardTestKey(Qt::Key_Return);
        type(remote, QStringLiteral("Plans"));
    }

    std::unique_ptr<WindowFixture> m_fixture;
    std::unique_ptr<MainWindow> m_window;
    QString m_home;
    // What reached the transfers: target, target path, project, then the files or rows.
    QList<QStringList> m_requests;
};

void TestKeyboard::init()
{
    m_fixture = std::make_unique<WindowFixture>();
    m_home = m_fixture->home;
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/zqinbox")));
    QFile file(m_home + QStringLiteral("/zqnotes.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    file.close();
    FakeService& service = m_fixture->service;
    service.setFolders(1, 0, FakeService::list(FakeService::folder(10, "Plans", "documents", 1, 0, 1)));
    service.setDocuments(10, FakeService::list(FakeService::document(7, "site.dwg", 1536, "", 10)));
    m_window = m_fixture->makeWindow();
    // What reaches the transfers is recorded here instead of being run.
    const auto* remote = qobject_cast<KelmarTreeModel*>(view("remoteView")->model());
    const auto* local = qobject_cast<LocalTreeModel*>(
        qobject_cast<QSortFilterProxyModel*>(view("localView")->model())->sourceModel());
    QVERIFY(disconnect(remote, &KelmarTreeModel::uploadRequested, m_window->transfers(), nullptr));
    QVERIFY(disconnect(local, &LocalTreeModel::downloadRequested, m_window->transfers(), nullptr));
    m_requests.clear();
    connect(remote, &KelmarTreeModel::uploadRequested, this, [this](const UploadRequest& request) {
        QStringList fields { request.target->objectType() + QString::number(request.target->id()),
            request.targetPath, QString::number(request.projectId), request.targetRow.data().toString() };
        for (const QUrl& url : request.urls)
            fields << url.toLocalFile();
        m_requests << fields;
    });
    connect(local, &LocalTreeModel::downloadRequested, this,
        [this](const QStringList& rows, const QString& folder) {
            m_requests << (QStringList { folder } + rows);
        });
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestKeyboard::cleanup()
{
    m_window.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QVERIFY(m_fixture->boxes.texts().isEmpty());
    m_fixture.reset();
}

void TestKeyboard::type(QTreeView* tree, const QString& name)
{
    // A pause first, so that the tree starts a new search rather than going on with the last one.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTRY_VERIFY(treeRow(tree, name).isValid());
    QTest::keyClicks(QApplication::focusWidget(), name);
    QTRY_COMPARE(tree->currentIndex().siblingAtColumn(0).data().toString(), name);
}

void TestKeyboard::commandsHandOverWhatADropWould_data()
{
    QTest::addColumn<bool>("clipboard");
    QTest::newRow("upload and download commands") << false;
    QTest::newRow("copy and paste") << true;
}

void TestKeyboard::commandsHandOverWhatADropWould()
{
    QFETCH(bool, clipboard);
    QTreeView* local = view("localView");
    QTreeView* remote = view("remoteView");
    TreeCommands* commands = m_window->commands();

    // A local file goes up to the remote folder.
    QCOMPARE(QApplication::focusWidget(), local);
    type(local, QStringLiteral("zqnotes.txt"));
    QCOMPARE(commands->uploadAction()->toolTip(),
        QStringLiteral("Choose a project or folder in the Torvex tree to upload to"));
    if (clipboard)
        keyboardTestKey(Qt::Key_C, Qt::ControlModifier);
    keyboardTestKey(Qt::Key_Tab);
    openPlans(remote);
    QCOMPARE(commands->uploadAction()->text(), QStringLiteral("&Upload to Plans"));
    keyboardTestKey(clipboard ? Qt::Key_V : Qt::Key_U, Qt::ControlModifier);
    const std::unique_ptr<QMimeData> files(local->model()->mimeData({ treeRow(local, "zqnotes.txt") }));
    keyboardTestDrop(remote, treeRow(remote, "Plans"), files.get());
    QCOMPARE(m_requests.size(), 2);
    QCOMPARE(m_requests.at(0),
        (QStringList { "Folder10", "Alpha/Plans", "1", "Plans", QDir(m_home).filePath("zqnotes.txt") }));
    QCOMPARE(m_requests.at(1), m_requests.at(0));

    // A remote document comes down to the local folder.
    keyboardTestKey(Qt::Key_Return);
    type(remote, QStringLiteral("site.dwg"));
    if (clipboard)
        keyboardTestKey(Qt::Key_C, Qt::ControlModifier);
    keyboardTestKey(Qt::Key_Tab, Qt::ShiftModifier);
    type(local, QStringLiteral("zqinbox"));
    QCOMPARE(commands->downloadAction()->text(), QStringLiteral("&Download to zqinbox"));
    keyboardTestKey(clipboard ? Qt::Key_V : Qt::Key_D, Qt::ControlModifier);
    const std::unique_ptr<QMimeData> rows(remote->model()->mimeData({ treeRow(remote, "site.dwg") }));
    keyboardTestDrop(local, treeRow(local, "zqinbox"), rows.get());
    QCOMPARE(m_requests.size(), 4);
    QCOMPARE(m_requests.at(2).mid(0, 1), QStringList { QDir(m_home).filePath("zqinbox") });
    QVERIFY(m_requests.at(2).size() == 2 && m_requests.at(2).at(1).contains("\"Name\":\"site.dwg\""));
    QCOMPARE(m_requests.at(3), m_requests.at(2));
}

void TestKeyboard::f5ReadsTheCurrentRowOfEitherTreeAgain()
{
    QTreeView* local = view("localView");
    QTreeView* remote = view("remoteView");
    type(local, QStringLiteral("zqnotes.txt"));
    const auto size = [local] { return treeRow(local, "zqnotes.txt").siblingAtColumn(1).data(); };
    QTRY_COMPARE(size(), QStringLiteral("1 bytes"));
    QFile file(m_home + QStringLiteral("/zqnotes.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(5000, 'x')) == 5000);
    file.close();
    keyboardTestKey(Qt::Key_F5);
    QTRY_COMPARE(size(), QStringLiteral("4 KB"));

    keyboardTestKey(Qt::Key_Tab);
    openPlans(remote);
    keyboardTestKey(Qt::Key_Return);
    QTRY_VERIFY(treeRow(remote, "site.dwg").isValid());
    m_fixture->service.setDocuments(10,
        FakeService::list(FakeService::document(7, "site.dwg", 1536, "", 10),
            FakeService::document(8, "survey.pdf", 100, "", 10)));
    keyboardTestKey(Qt::Key_F5);
    QTRY_VERIFY(treeRow(remote, "survey.pdf").isValid());
}

// Each row names a window and its controls in the order Tab should reach them.
void TestKeyboard::everyControlHasANameAndTabReachesItInOrder_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("tabOrder");
    QTest::newRow("main window") << "main"
                                 << QStringList { "localView", "remoteView", "uploadButton", "downloadButton",
                                        "reloadButton" };
    QTest::newRow("login dialog") << "login"
                                  << QStringList { "serverClickLabel", "loginEdit", "passwordEdit",
                                         "passwdClickLabel", "rememberBox", "cancelButton", "okButton" };
    QTest::newRow("about dialog") << "about" << QStringList { "homeLink" };
    // Apply waits for a selection; the table's cells are reached with the arrow keys.
    QTest::newRow("upload dialog") << "upload"
                                   << QStringList { "bulkDescription", "bulkStatus", "view", "cancelButton",
                                          "startButton" };
    QTest::newRow("download dialog") << "download"
                                     << QStringList { "tableView", "cancelButton", "startButton" };
}

void TestKeyboard::everyControlHasANameAndTabReachesItInOrder()
{
    QFETCH(QString, window);
    QFETCH(QStringList, tabOrder);
    std::unique_ptr<QWidget> dialog;
    RestFolder target(QStringLiteral("Folder"), 10, QStringLiteral("Plans"), QStringLiteral("Plans"),
        QStringLiteral("documents"), 0, 1, QString(), 0, 0);
    const RestStatus draft(4, QStringLiteral("Draft"), 1);
    UploadListBuilder files(draft);
    files.addUrls({ QUrl::fromLocalFile(m_home + QStringLiteral("/zqnotes.txt")) });
    const DownloadItem document(QStringLiteral("Document"), 7, QStringLiteral("site.dwg"), QString(),
        QStringLiteral("Alpha/Plans"), QString(), QString(),
        ModelItemStatus(ModelItemStatus::Listed, QString()), {}, m_home, 10);
    if (window == QLatin1String("upload"))
        dialog = std::make_unique<UploadDialog>(&target, files.items(), 0, 1, QStringLiteral("Alpha/Plans"),
            QList<RestStatus> { draft }, nullptr);
    // The file is there already, so that its row says so.
    else if (window == QLatin1String("download")
        && QFile(m_home + QStringLiteral("/site.dwg")).open(QIODevice::WriteOnly))
        dialog = std::make_unique<DownloadDialog>(QList<DownloadItem> { document }, 0, 1, nullptr, m_home);
    else if (window == QLatin1String("login"))
        dialog = std::make_unique<LoginDialog>(
            m_fixture->service.baseUrl(), QString(), QString(), Qt::Unchecked);
    else if (window == QLatin1String("about"))
        dialog = std::make_unique<AboutDialog>();
    QWidget* shown = dialog ? dialog.get() : m_window.get();
    if (!dialog) {
        // A current row in each tree, so that every tool bar button works.
        for (const auto& [tree, name] :
            { std::pair { view("remoteView"), "Alpha" }, { view("localView"), "zqinbox" } }) {
            QTRY_VERIFY(treeRow(tree, name).isValid());
            tree->setCurrentIndex(treeRow(tree, name));
        }
    }
    shown->show();
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown));

    QStringList unnamed;
    const QList<QWidget*> widgets = shown->findChildren<QWidget*>();
    for (QWidget* widget : widgets) {
        const auto* label = qobject_cast<QLabel*>(widget);
        const bool picture = label && !label->pixmap().isNull();
        if (!widget->isVisible() || !((widget->focusPolicy() & Qt::TabFocus) || picture))
            continue;
        const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << widget->objectName() + " " + widget->metaObject()->className();
    }
    QCOMPARE(unnamed, QStringList());
    // A status icon says its status: before Start what the row will become, after it the outcome.
    if (auto* table = shown->findChild<QTableView*>()) {
        for (int row = 0; row < table->model()->rowCount(); ++row) {
            const QModelIndex status = table->model()->index(row, 4);
            if (!status.data(Qt::DecorationRole).isNull() || !status.data().toString().isEmpty())
                QCOMPARE(status.data(Qt::AccessibleTextRole), status.data());
            if (window == QLatin1String("download"))
                QVERIFY(!status.data(Qt::AccessibleTextRole).toString().isEmpty());
        }
    }

    // Tab goes round the controls and comes back to the first.
    shown->findChild<QWidget*>(tabOrder.first())->setFocus(Qt::TabFocusReason);
    QStringList reached;
    for (qsizetype step = 0; step <= tabOrder.size() && QApplication::focusWidget(); ++step) {
        reached << QApplication::focusWidget()->objectName();
        keyboardTestKey(Qt::Key_Tab);
    }
    QCOMPARE(reached, tabOrder + tabOrder.mid(0, 1));
}

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"

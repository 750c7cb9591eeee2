#include "app/logindialog.h"
#include "app/mainwindow.h"
#include "app/opensession.h"
#include "app/transfercontroller.h"
#include "app/treecommands.h"
#include "local/localtreemodel.h"
#include "model/restfolder.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "server/demotestserver.h"
#include "support/guifixture.h"
#include "support/testfiles.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadthread.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDirIterator>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

using SessionAnswer = std::function<int(LoginDialog&)>;

namespace {
int openSessionTestAcceptDemo(LoginDialog& dialog)
{
    return submitLogin(dialog, QStringLiteral("demo"), QStringLiteral("demo"), Qt::Unchecked);
}

// Changes the server the way a user does: the link, the edit, and the probe on leaving it.
void openSessionTestChangeServer(LoginDialog& dialog, const QString& server)
{
    dialog.show();
    dialog.serverClickLblClicked();
    dialog.findChild<QLineEdit*>(QStringLiteral("serverEdit"))->setText(server);
    dialog.serverEditFinished();
    if (!QTest::qWaitFor([&dialog] { return !dialog.isBusy(); }, 20000))
        qWarning("the probe did not end");
}

void windowTestKey(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

// Types a row's name into a tree, which makes that row current and selected.
void windowTestType(QTreeView* tree, const QString& name)
{
    // A pause first, so that the tree starts a new search rather than going on with the last one.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTRY_VERIFY_WITH_TIMEOUT(treeRow(tree, name).isValid(), 20000);
    QTest::keyClicks(QApplication::focusWidget(), name);
    QTRY_COMPARE(tree->currentIndex().siblingAtColumn(0).data().toString(), name);
}

// Drags data over the tree's current row and drops it there, as the mouse does.
void windowTestDrop(QTreeView* tree, const QMimeData* data)
{
    const QPoint at = tree->visualRect(tree->currentIndex()).center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree->viewport(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(tree->viewport(), &drop);
}

// A tree as the user sees it: folder paths end with "/"; each document's path maps to its bytes.
QMap<QString, QByteArray> windowTestLocalTree(const QString& root)
{
    QMap<QString, QByteArray> tree;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        QFile file(it.next());
        const bool folder = it.fileInfo().isDir();
        tree.insert(QDir(root).relativeFilePath(file.fileName()) + (folder ? "/" : ""),
            folder || !file.open(QIODevice::ReadOnly) ? QByteArray() : file.readAll());
    }
    return tree;
}

void windowTestServerTree(
    Rest& rest, const QList<RestFolder>& folders, const QString& path, QMap<QString, QByteArray>& tree)
{
    for (const RestFolder& folder : folders) {
        if (folder.name() == QLatin1String("(separator)"))
            continue;
        const QString own = path + folder.name() + "/";
        tree.insert(own, QByteArray());
        windowTestServerTree(rest, rest.getChildFolders(folder.projectId(), folder.id()), own, tree);
        for (const RestDocument& document : folder.type() == QLatin1String("documents")
                ? rest.getDocuments(folder.id())
                : QList<RestDocument>()) {
            QBuffer bytes;
            bytes.open(QIODevice::WriteOnly);
            rest.downloadDocument(folder.id(), document.id(), bytes);
            tree.insert(own + document.name(), bytes.data());
        }
    }
}

// Return presses the dialog's default button: Start, and once the transfer is done, Close.
void windowTestStartAndClose(QDialog& dialog, QStringList& outcomes)
{
    dialog.show();
    dialog.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
    windowTestKey(Qt::Key_Return);
    QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 30000);
    const QAbstractItemModel* rows = dialog.findChild<QTableView*>()->model();
    for (int row = 0; row < rows->rowCount(); ++row)
        outcomes << rows->index(row, 0).data().toString() + ": " + rows->index(row, 4).data().toString();
    windowTestKey(Qt::Key_Return);
    QVERIFY(!dialog.isVisible());
}
} // namespace

// The start-up (logon dialog, settings file), the main window it opens, and the window without a mouse:
// the commands beside drag and drop, and what a screen reader and the Tab key find in each window.
class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstStartStoresOnlyAfterALogonTrustingTheCaBundle();

    void windowShowsBothTreesOpenedAtHomeAndExitLogsOff_data();
    void windowShowsBothTreesOpenedAtHomeAndExitLogsOff();
    void logoutShowsTheNextUsersProjectsOrTheLoadError();
    void keepAliveLostDuringADownloadCancelsItAndEndsTheProgram();

    void eachWayOfHandingOverTransfersTheFile_data();
    void eachWayOfHandingOverTransfersTheFile();
    void everyControlHasANameAndTabReachesItInOrder_data();
    void everyControlHasANameAndTabReachesItInOrder();

private:
    void answer(SessionAnswer answer) { m_answers.append(std::move(answer)); }
    void writeSettings(const QMap<QString, QString>& values);
    QMap<QString, QString> storedSettings() const;
    // The window, shown; active as well when keys are to reach it.
    std::unique_ptr<MainWindow> shownWindow(
        std::unique_ptr<MainWindow> window = nullptr, bool active = false);
    static QTreeView* view(MainWindow& window, const char* name)
    {
        return window.findChild<QTreeView*>(QLatin1String(name));
    }

    std::unique_ptr<WindowFixture> m_fixture;
    FakeService* m_service = nullptr;
    BoxRecorder* m_boxes = nullptr;
    std::unique_ptr<LineRecorder> m_lines;
    QList<SessionAnswer> m_answers;
    QStringList m_shownServers; // of the login dialogs run
    QString m_home;
};

void TestMainWindow::init()
{
    m_fixture = std::make_unique<WindowFixture>();
    m_service = &m_fixture->service;
    m_boxes = &m_fixture->boxes;
    m_home = m_fixture->home;
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/zqinbox")));
    QVERIFY(writeTestFile(m_home + QStringLiteral("/zqnotes.txt"), "typed, not dragged"));
    m_service->addUser("guest", "guest");
    m_service->setProjects(
        "guest", FakeService::list(FakeService::project(2, "Beta"), FakeService::project(3, "Gamma")));
    m_lines = std::make_unique<LineRecorder>();
    m_answers.clear();
    m_shownServers.clear();
    setLoginDialogRunner([this](LoginDialog& dialog) {
        m_shownServers.append(dialog.server());
        if (m_answers.isEmpty())
            qWarning("the login dialog ran more often than the test expected");
        // No answer: the user cancels.
        const SessionAnswer next = m_answers.isEmpty() ? nullptr : m_answers.takeFirst();
        return next ? next(dialog) : int(QDialog::Rejected);
    });
}

void TestMainWindow::cleanup()
{
    setLoginDialogRunner(nullptr);
    DownloadDialog::setRunner(nullptr);
    DownloadDialog::setOverwriteQuestion(nullptr);
    UploadDialog::setExecHook(nullptr);
    QVERIFY(JobQueue::waitForAll(10000));
    QVERIFY2(m_answers.isEmpty(), "the login dialog ran less often than the test expected");
    m_lines.reset();
    m_fixture.reset();
}

void TestMainWindow::writeSettings(const QMap<QString, QString>& values)
{
    QVERIFY(QDir().mkpath(settingsDirectory()));
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    for (auto it = values.begin(); it != values.end(); ++it)
        settings.setValue(QStringLiteral("logindialog/") + it.key(), it.value());
}

QMap<QString, QString> TestMainWindow::storedSettings() const
{
    QMap<QString, QString> values;
    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    for (const QString& key : settings.allKeys())
        values.insert(key, settings.value(key).toString());
    return values;
}

std::unique_ptr<MainWindow> TestMainWindow::shownWindow(std::unique_ptr<MainWindow> window, bool active)
{
    if (!window)
        window = m_fixture->makeWindow();
    window->show();
    if (active)
        window->activateWindow();
    if (!(active ? QTest::qWaitForWindowActive(window.get()) : QTest::qWaitForWindowExposed(window.get())))
        qWarning("the window was not shown");
    return window;
}

void TestMainWindow::firstStartStoresOnlyAfterALogonTrustingTheCaBundle()
{
    // A settings directory that cannot be made ends the start before the dialog.
    const QString parent = QFileInfo(QDir::fromNativeSeparators(settingsDirectory())).path();
    QVERIFY(QDir().mkpath(QFileInfo(parent).path()));
    QVERIFY(QFile(parent).open(QIODevice::WriteOnly));
    QVERIFY(!openSession());
    const QStringList box { "Unable to make directory: " + settingsDirectory() + "." };
    QCOMPARE(m_boxes->texts(), box);
    QVERIFY(m_shownServers.isEmpty() && QFile::remove(parent));

    answer(nullptr);
    QVERIFY(!openSession());
    QCOMPARE(m_shownServers, QStringList { "secure.torvex.example" });
    QVERIFY(!QFile::exists(settingsFilePath()));

    // The probe and the logon trust the CA bundle of the settings. A failed logon, unreachable first and
    // refused then, keeps the dialog with what was typed and stores nothing.
    FakeService secure(TestServer::Scheme::Https);
    writeSettings({ { "cabundle", secure.caCertificatePath() } });
    const QMap<QString, QString> before = storedSettings();
    secure.setFault("/rest/Logon", FakeService::dropped());
    answer([&](LoginDialog& dialog) {
        openSessionTestChangeServer(dialog, secure.baseUrl());
        for (const QString password : { "demo", "wrong" }) {
            if (submitLogin(dialog, QStringLiteral("demo"), password, Qt::Checked) == QDialog::Accepted)
                return int(QDialog::Rejected);
            [&] {
                QCOMPARE(dialog.login(), QStringLiteral("demo"));
                QCOMPARE(dialog.password(), password);
                QCOMPARE(dialog.rememberState(), Qt::Checked);
                QCOMPARE(storedSettings(), before);
            }();
            secure.clearFault("/rest/Logon");
        }
        return openSessionTestAcceptDemo(dialog);
    });
    QVERIFY(openSession());
    QCOMPARE(storedSettings(),
        (QMap<QString, QString> { { "logindialog/server", secure.baseUrl() }, { "logindialog/login", "demo" },
            { "logindialog/cabundle", secure.caCertificatePath() } }));
    QCOMPARE(m_boxes->texts(),
        (box
            + QStringList { "Unable to connect to server.",
                "Unable to login to the server, check your login details and try again." }));
}

void TestMainWindow::windowShowsBothTreesOpenedAtHomeAndExitLogsOff_data()
{
    QTest::addColumn<bool>("click");
    QTest::newRow("click in the tree") << true;
    QTest::newRow("pointer rests on the tree") << false;
}

void TestMainWindow::windowShowsBothTreesOpenedAtHomeAndExitLogsOff()
{
    QFETCH(bool, click);
    auto window = shownWindow();
    QTRY_COMPARE(rowNames(view(*window, "remoteView")->model()), QStringList { "Alpha" });

    // Every folder on the way to the home folder is open, the root folder first.
    QTreeView* local = view(*window, "localView");
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(local->model());
    const auto* files = qobject_cast<LocalTreeModel*>(proxy->sourceModel());
    for (QString path = m_home;; path = QFileInfo(path).path()) {
        const QModelIndex index = proxy->mapFromSource(files->index(path));
        QVERIFY2(index.isValid() && local->isExpanded(index), qPrintable(path));
        if (path == QDir::rootPath())
            break;
    }
    // Once the folders have loaded, the home folder is at the top, or as near as the tree lets it be.
    const QModelIndex home = proxy->mapFromSource(files->index(m_home));
    QTRY_VERIFY(local->visualRect(home).top() == 0
        || local->verticalScrollBar()->value() == local->verticalScrollBar()->maximum());

    // Sorted by name, so that rows keep their places as the folders fill in.
    QCOMPARE(local->header()->sortIndicatorSection(), 0);
    QCOMPARE(local->header()->sortIndicatorOrder(), Qt::AscendingOrder);

    // The tree goes back to the home folder whenever it changes, until the user moves in it or the
    // pointer rests on it: nothing moves under the pointer.
    local->verticalScrollBar()->setValue(0);
    proxy->invalidate();
    QTRY_VERIFY(local->verticalScrollBar()->value() > 0);
    if (click)
        QTest::mouseClick(local->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    else
        QTest::mouseMove(local->viewport(), QPoint(5, 5));
    local->verticalScrollBar()->setValue(0);
    proxy->invalidate();
    QTest::qWait(10);
    QCOMPARE(local->verticalScrollBar()->value(), 0);

    TestBrowser browser;
    window->helpTriggered();
    QCOMPARE(
        browser.opened, QList<QUrl> { QUrl(QStringLiteral("https://www.torvex.example/help/transfer")) });
    QVERIFY(m_boxes->texts().isEmpty());

    // Exit closes the window; the session is logged off (in the background) when the window goes.
    window->exitTriggered();
    QVERIFY(!window->isVisible());
    window.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QCOMPARE(m_lines->lines().count(QStringLiteral("Rest logoff()")), 1);
    QCOMPARE(m_service->server().requests().back().path, std::string("/rest/Logoff"));
}

void TestMainWindow::logoutShowsTheNextUsersProjectsOrTheLoadError()
{
    writeSettings({ { "server", m_service->baseUrl() } });
    const auto window = shownWindow();
    // The title says who is logged on where.
    const QString server = QStringLiteral("127.0.0.1:") + QString::number(QUrl(m_service->baseUrl()).port());
    QCOMPARE(window->windowTitle(), QStringLiteral("Torvex Transfer \u2014 demo on ") + server);
    QTreeView* remote = view(*window, "remoteView");
    QTRY_COMPARE(rowNames(remote->model()), QStringList { "Alpha" });
    // While the login dialog is up, the window shows nobody's projects.
    QStringList shownMeanwhile;
    answer([&](LoginDialog& dialog) {
        if (remote->model())
            shownMeanwhile = rowNames(remote->model());
        shownMeanwhile << window->windowTitle();
        return submitLogin(dialog, QStringLiteral("guest"), QStringLiteral("guest"), Qt::Unchecked);
    });
    window->logoutTriggered();
    QCOMPARE(shownMeanwhile, QStringList { "Torvex Transfer" });
    QTRY_COMPARE(m_lines->lines().count(QStringLiteral("Rest logoff()")), 1);
    QVERIFY(window->session());
    QCOMPARE(window->windowTitle(), QStringLiteral("Torvex Transfer \u2014 guest on ") + server);
    QTRY_COMPARE(rowNames(remote->model()), (QStringList { "Beta", "Gamma" }));

    // The new session runs the keep-alive.
    m_service->server().clearRequests();
    window->timerRestLogon();
    QTRY_VERIFY(!m_service->server().requests("/rest/Logon").empty());
    QCOMPARE(
        m_service->server().requests("/rest/Logon").at(0).target, std::string("/rest/Logon?u=guest&p=guest"));
    QVERIFY(m_boxes->texts().isEmpty());

    // A model reset by the view keeps working: a project expands with the new session.
    remote->setExpanded(remote->model()->index(0, 0), true);
    QTRY_VERIFY(!m_service->server().requests("/rest/Folders").empty());
    QCOMPARE(m_service->server().requests("/rest/Folders").back().target,
        std::string("/rest/Folders?p=2&parent=0&a=tree"));

    // A user without projects sees the load error once, then the login comes back; Cancel ends the program.
    m_service->setProjects("demo", "[]");
    answer(openSessionTestAcceptDemo);
    answer(nullptr);
    window->logoutTriggered();
    QTRY_COMPARE(m_boxes->texts(),
        QStringList {
            QStringLiteral("There are no accessible projects to display, contact your administrator.") });
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(!window->session());
    QTRY_COMPARE(m_lines->lines().count(QStringLiteral("Rest logoff()")), 3);
    QCOMPARE(m_boxes->texts().size(), 1);
}

// The worker waits for the overwrite question when the keep-alive fails: it is canceled, the dialog
// closes and the window with it, and the file stays as it was.
void TestMainWindow::keepAliveLostDuringADownloadCancelsItAndEndsTheProgram()
{
    const auto window = shownWindow();
    TestServer& server = m_service->server();
    server.on("GET", "/rest/DocumentStatus", TestReply::text(200, "[]"));
    server.on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanDownload":true})"));
    server.on("GET", "/protected/Document.download", TestReply::text(200, "new"));
    bool workerCanceled = false;
    DownloadDialog::setRunner([&workerCanceled](DownloadDialog& dialog) {
        dialog.show();
        dialog.findChild<QPushButton*>(QStringLiteral("startButton"))->click();
        const bool closed = QTest::qWaitFor([&dialog] { return !dialog.isVisible(); }, 20000);
        workerCanceled = closed && dialog.worker()->isCanceled() && !dialog.worker()->isRunning();
        return dialog.result();
    });
    DownloadDialog::setOverwriteQuestion([this, &window](const QString&, bool&) {
        m_service->setFault("/rest/Logon", TestReply::text(401, "Session expired"));
        window->timerRestLogon();
        return QTest::qWaitFor([this] { return !m_boxes->texts().isEmpty(); }, 20000) ? QMessageBox::Yes
                                                                                      : QMessageBox::No;
    });
    window->transfers()->downloadRequested(
        { QString::fromStdString(FakeService::document(7, "zqnotes.txt", 3, "", 10))
            + R"({"ProjectID":1,"KelmarPath":"Alpha"})" },
        m_home);
    QTRY_VERIFY(!window->transfers()->isBusy());
    QCOMPARE(m_boxes->texts(),
        QStringList { "Unable to login to the server, check your login details and try again." });
    QVERIFY(workerCanceled);
    QVERIFY(!window->isVisible());
    QFile existing(m_home + QStringLiteral("/zqnotes.txt"));
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("typed, not dragged"));
}

void TestMainWindow::eachWayOfHandingOverTransfersTheFile_data()
{
    QTest::addColumn<QString>("way");
    QTest::newRow("commands") << "commands";
    QTest::newRow("copy and paste") << "paste";
    QTest::newRow("drag and drop") << "drop";
}

// One upload and one download against the demo server: select the row with the keys, hand it over to a
// row of the other tree by its command, by copy and paste, or by a drop, then Return for Start and Close.
// The download takes the whole project: the walk below it, end to end.
void TestMainWindow::eachWayOfHandingOverTransfersTheFile()
{
    QFETCH(QString, way);
    DemoTestServer server;
    QVERIFY(server.start());
    Rest check(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));
    const RestProject project = check.getProjects().value(0);
    QStringList outcomes;
    UploadDialog::setExecHook([&outcomes](UploadDialog& dialog) {
        // The plan first, so that Start finds it.
        QTRY_COMPARE_WITH_TIMEOUT(dialog.planTexts(), QStringList { "New document" }, 20000);
        windowTestStartAndClose(dialog, outcomes);
    });
    DownloadDialog::setRunner([&outcomes](DownloadDialog& dialog) {
        windowTestStartAndClose(dialog, outcomes);
        return dialog.result();
    });
    const auto window = shownWindow(
        std::make_unique<MainWindow>(std::make_unique<SessionRunner>(
            std::make_unique<Rest>(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo")))),
        true);
    QTreeView* local = view(*window, "localView");
    QTreeView* remote = view(*window, "remoteView");
    // The current row is taken before Tab (copied, for paste) and handed to the other tree's after it.
    std::unique_ptr<QMimeData> dragged;
    const auto take = [&](QTreeView* from) {
        dragged.reset(from->model()->mimeData({ from->currentIndex() }));
        if (way == QLatin1String("paste"))
            windowTestKey(Qt::Key_C, Qt::ControlModifier);
    };
    const auto give = [&](QTreeView* to, Qt::Key command) {
        if (way == QLatin1String("drop"))
            windowTestDrop(to, dragged.get());
        else
            windowTestKey(way == QLatin1String("paste") ? Qt::Key_V : command, Qt::ControlModifier);
    };
    QCOMPARE(QApplication::focusWidget(), local);

    // Up: the local file to the remote folder; F5 first reads the file's new size.
    windowTestType(local, QStringLiteral("zqnotes.txt"));
    const auto size = [local] { return treeRow(local, "zqnotes.txt").siblingAtColumn(1).data(); };
    QTRY_COMPARE(size(), QStringLiteral("18 bytes"));
    QVERIFY(writeTestFile(m_home + QStringLiteral("/zqnotes.txt"), QByteArray(5000, 'x')));
    windowTestKey(Qt::Key_F5);
    QTRY_COMPARE(size(), QStringLiteral("4 KB"));
    QCOMPARE(window->commands()->uploadAction()->toolTip(),
        QStringLiteral("Choose a project or folder in the Torvex tree to upload to"));
    take(local);
    windowTestKey(Qt::Key_Tab);
    windowTestType(remote, project.name());
    windowTestKey(Qt::Key_Return);
    windowTestType(remote, QStringLiteral("Contracts"));
    QCOMPARE(window->commands()->uploadAction()->text(), QStringLiteral("&Upload to Contracts"));
    give(remote, Qt::Key_U);
    QTRY_VERIFY_WITH_TIMEOUT(!window->transfers()->isBusy() && !outcomes.isEmpty(), 30000);
    QCOMPARE(outcomes, QStringList { "zqnotes.txt: Document uploaded successfully" });
    // The window manager gives the window back its activation when the dialog goes.
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QCOMPARE(QApplication::focusWidget(), remote);
    // F5 on the remote folder shows what another client added to it meanwhile.
    const QList<RestFolder> roots = check.getProjectFolders(project.id());
    const auto contracts = std::find_if(
        roots.cbegin(), roots.cend(), [](const RestFolder& root) { return root.name() == "Contracts"; });
    QVERIFY(contracts != roots.cend());
    check.uploadDocument(contracts->id(), QStringLiteral("zqlater.txt"), QString(),
        check.getProjectStatusses(project.id()).value(0).id(), m_home + QStringLiteral("/zqnotes.txt"));
    windowTestKey(Qt::Key_F5);
    QTRY_VERIFY(treeRow(remote, QStringLiteral("zqlater.txt")).isValid());

    // Down: the whole project, the upload with it, to the local folder.
    windowTestType(remote, project.name());
    take(remote);
    windowTestKey(Qt::Key_Tab, Qt::ShiftModifier);
    windowTestType(local, QStringLiteral("zqinbox"));
    QCOMPARE(window->commands()->downloadAction()->text(), QStringLiteral("&Download to zqinbox"));
    give(local, Qt::Key_D);
    QTRY_VERIFY_WITH_TIMEOUT(!window->transfers()->isBusy() && outcomes.size() > 1, 30000);
    QVERIFY(m_boxes->texts().isEmpty());

    // The disk holds the server's tree byte for byte, folder types and separators as the server lists them.
    QMap<QString, QByteArray> expected { { project.name() + "/", QByteArray() } };
    windowTestServerTree(check, check.getProjectFolders(project.id()), project.name() + "/", expected);
    const qsizetype documents = std::count_if(
        expected.keyBegin(), expected.keyEnd(), [](const QString& path) { return !path.endsWith('/'); });
    QVERIFY(documents > 5 && expected.size() - documents > 5);
    QCOMPARE(outcomes.size(), 1 + expected.size());
    for (const QString& outcome : outcomes.mid(1))
        QVERIFY2(outcome.endsWith(QLatin1String(": Successful")), qPrintable(outcome));
    QCOMPARE(windowTestLocalTree(m_home + QStringLiteral("/zqinbox")), expected);
    QCOMPARE(expected.value(project.name() + "/Contracts/zqnotes.txt"), QByteArray(5000, 'x'));
}

// Each row names a window and its controls in the order Tab should reach them.
void TestMainWindow::everyControlHasANameAndTabReachesItInOrder_data()
{
    QTest::addColumn<QStringList>("tabOrder");
    QTest::newRow("main") << QStringList { "localView", "remoteView", "uploadButton", "downloadButton",
        "reloadButton" };
    QTest::newRow("login") << QStringList { "serverClickLabel", "loginEdit", "passwordEdit",
        "passwdClickLabel", "rememberBox", "cancelButton", "okButton" };
    // Apply waits for a selection; the table's cells are reached with the arrow keys.
    QTest::newRow("upload") << QStringList { "bulkDescription", "bulkStatus", "view", "cancelButton",
        "startButton" };
    QTest::newRow("download") << QStringList { "tableView", "cancelButton", "startButton" };
}

void TestMainWindow::everyControlHasANameAndTabReachesItInOrder()
{
    QFETCH(QStringList, tabOrder);
    const QByteArray window = QTest::currentDataTag();
    std::unique_ptr<QWidget> dialog;
    if (window == "upload") {
        RestFolder target(QStringLiteral("Folder"), 10, QStringLiteral("Plans"), QStringLiteral("Plans"),
            QStringLiteral("documents"), 0, 1, QString(), 0, 0);
        const RestStatus draft(4, QStringLiteral("Draft"), 1);
        UploadListBuilder files(draft);
        files.addUrls({ QUrl::fromLocalFile(m_home + QStringLiteral("/zqnotes.txt")) });
        dialog = std::make_unique<UploadDialog>(&target, files.items(), 0, 1, QStringLiteral("Alpha/Plans"),
            QList<RestStatus> { draft }, nullptr);
    } else if (window == "download") {
        // The file is there already, so that its row says so.
        QVERIFY(QFile(m_home + QStringLiteral("/site.dwg")).open(QIODevice::WriteOnly));
        const DownloadItem document(QStringLiteral("Document"), 7, QStringLiteral("site.dwg"), QString(),
            QStringLiteral("Alpha/Plans"), QString(), QString(),
            ModelItemStatus(ModelItemStatus::Listed, QString()), {}, m_home, 10);
        dialog = std::make_unique<DownloadDialog>(QList<DownloadItem> { document }, 0, 1, nullptr, m_home);
    } else if (window == "login") {
        dialog = std::make_unique<LoginDialog>(m_service->baseUrl(), QString(), QString(), Qt::Unchecked);
    } else {
        dialog = m_fixture->makeWindow();
    }
    QWidget* shown = dialog.get();
    shown->show();
    shown->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(shown));
    if (auto* main = qobject_cast<MainWindow*>(shown)) {
        // A current row in each tree, so that every tool bar button works.
        for (const auto& [tree, name] :
            { std::pair { view(*main, "remoteView"), "Alpha" }, { view(*main, "localView"), "zqinbox" } }) {
            QTRY_VERIFY(treeRow(tree, name).isValid());
            tree->setCurrentIndex(treeRow(tree, name));
        }
    }

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
            if (window == "download")
                QVERIFY(!status.data(Qt::AccessibleTextRole).toString().isEmpty());
        }
    }

    // Tab goes round the controls and comes back to the first.
    shown->findChild<QWidget*>(tabOrder.first())->setFocus(Qt::TabFocusReason);
    QStringList reached;
    for (qsizetype step = 0; step <= tabOrder.size() && QApplication::focusWidget(); ++step) {
        reached << QApplication::focusWidget()->objectName();
        windowTestKey(Qt::Key_Tab);
    }
    QCOMPARE(reached, tabOrder + tabOrder.mid(0, 1));
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

#include "app/logindialog.h"
#include "app/mainwindow.h"
#include "app/opensession.h"
#include "app/transfercontroller.h"
#include "local/localtreemodel.h"
#include "model/jsonparser.h"
#include "model/restdocument.h"
#include "remote/kelmartreemodel.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/guifixture.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadthread.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QtTest>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <thread>

using SessionAnswer = std::function<int(LoginDialog&)>;

// What the login dialog showed when it was run.
struct ShownLogin
{
    QString server;
    QString login;
    QString password;
    Qt::CheckState remember;
};

namespace {
SessionAnswer openSessionTestAccept(
    const QString& login, const QString& password, Qt::CheckState remember = Qt::Unchecked)
{
    return [=](LoginDialog& dialog) { return submitLogin(dialog, login, password, remember); };
}

int openSessionTestCancel(LoginDialog&)
{
    return QDialog::Rejected;
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
} // namespace

// The start-up (logon dialog, settings file) and the main window it opens.
class TestMainWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstStartShowsDefaultsAndStoresOnlyAfterALogon();
    void failedLogonsBringTheDialogBackWithWhatWasTyped_data();
    void failedLogonsBringTheDialogBackWithWhatWasTyped();
    void rememberedPasswordComesBackNextTime_data();
    void rememberedPasswordComesBackNextTime();
    void caBundleOfTheSettingsIsTrusted();
    void settingsDirectoryThatCannotBeMadeEndsTheStart();

    void windowShowsBothTreesOpenedAtHomeAndExitLogsOff();
    void localTreeHoldsStillUnderThePointer();
    void projectLoadErrorIsShownOnceThenTheLoginComesBack();
    void logoutShowsTheNextUsersProjectsAndKeepsTheLocalTree();
    void keepAliveSkipsARoundWhileARequestRuns();
    void keepAliveLostDuringADownloadCancelsItAndEndsTheProgram();
    void onlineHelpOpensTheHelpPage();

private:
    void answer(SessionAnswer answer) { m_answers.append(std::move(answer)); }
    void writeSettings(const QMap<QString, QString>& values);
    QMap<QString, QString> storedSettings() const;
    std::unique_ptr<MainWindow> makeWindow() { return m_fixture->makeWindow(); }
    // The window, shown.
    std::unique_ptr<MainWindow> shownWindow();
    QTreeView* view(MainWindow& window, const char* name)
    {
        return window.findChild<QTreeView*>(QLatin1String(name));
    }
    LocalTreeModel* localModel(MainWindow& window);

    std::unique_ptr<WindowFixture> m_fixture;
    FakeService* m_service = nullptr;
    BoxRecorder* m_boxes = nullptr;
    std::unique_ptr<LineRecorder> m_lines;
    QList<SessionAnswer> m_answers;
    QList<ShownLogin> m_shown;
    QString m_home;
};

void TestMainWindow::init()
{
    m_fixture = std::make_unique<WindowFixture>();
    m_service = &m_fixture->service;
    m_boxes = &m_fixture->boxes;
    m_home = m_fixture->home;
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/Documents")));
    m_service->addUser("guest", "guest");
    m_service->setProjects(
        "guest", FakeService::list(FakeService::project(2, "Beta"), FakeService::project(3, "Gamma")));
    m_lines = std::make_unique<LineRecorder>();
    m_answers.clear();
    m_shown.clear();
    setLoginDialogRunner([this](LoginDialog& dialog) {
        m_shown.append({ dialog.server(), dialog.login(), dialog.password(), dialog.rememberState() });
        if (m_answers.isEmpty()) {
            qWarning("the login dialog ran more often than the test expected");
            return int(QDialog::Rejected);
        }
        return m_answers.takeFirst()(dialog);
    });
}

void TestMainWindow::cleanup()
{
    setLoginDialogRunner(nullptr);
    DownloadDialog::setRunner(nullptr);
    DownloadDialog::setOverwriteQuestion(nullptr);
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

std::unique_ptr<MainWindow> TestMainWindow::shownWindow()
{
    auto window = makeWindow();
    window->show();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the window was not shown");
    return window;
}

LocalTreeModel* TestMainWindow::localModel(MainWindow& window)
{
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(view(window, "localView")->model());
    return proxy ? qobject_cast<LocalTreeModel*>(proxy->sourceModel()) : nullptr;
}

void TestMainWindow::firstStartShowsDefaultsAndStoresOnlyAfterALogon()
{
    answer(openSessionTestCancel);
    QVERIFY(!openSession());
    QCOMPARE(m_shown[0].server, QStringLiteral("secure.torvex.example"));
    QVERIFY(!QFile::exists(settingsFilePath()));

    const QString server = m_service->baseUrl();
    answer([server](LoginDialog& dialog) {
        openSessionTestChangeServer(dialog, server);
        return openSessionTestAccept(QStringLiteral("demo"), QStringLiteral("demo"))(dialog);
    });
    QVERIFY(openSession());
    QCOMPARE(storedSettings(),
        (QMap<QString, QString> { { "logindialog/server", server }, { "logindialog/login", "demo" } }));
    QVERIFY(m_boxes->texts().isEmpty());
}

void TestMainWindow::failedLogonsBringTheDialogBackWithWhatWasTyped_data()
{
    QTest::addColumn<bool>("unreachable");
    QTest::addColumn<QString>("box");
    QTest::newRow("refused") << false
                             << "Unable to login to the server, check your login details and try again.";
    QTest::newRow("unreachable") << true << "Unable to connect to server.";
}

void TestMainWindow::failedLogonsBringTheDialogBackWithWhatWasTyped()
{
    QFETCH(bool, unreachable);
    QFETCH(QString, box);
    writeSettings({ { "server", m_service->baseUrl() }, { "login", "old@example.org" } });
    const QMap<QString, QString> before = storedSettings();
    if (unreachable)
        m_service->setFault("/rest/Logon", FakeService::dropped());
    answer([this, before, box](LoginDialog& dialog) {
        if (submitLogin(dialog, QStringLiteral("demo"), QStringLiteral("wrong"), Qt::Checked)
            == QDialog::Accepted)
            return int(QDialog::Rejected);
        // The dialog stays with what was typed, and nothing is stored after a failed logon.
        [&] {
            QCOMPARE(m_boxes->texts(), QStringList { box });
            QCOMPARE(dialog.login(), QStringLiteral("demo"));
            QCOMPARE(dialog.password(), QStringLiteral("wrong"));
            QCOMPARE(dialog.rememberState(), Qt::Checked);
            QCOMPARE(storedSettings(), before);
        }();
        m_service->clearFault("/rest/Logon");
        return submitLogin(dialog, QStringLiteral("demo"), QStringLiteral("demo"), Qt::Checked);
    });
    QVERIFY(openSession());
    QCOMPARE(m_boxes->texts(), QStringList { box });
}

void TestMainWindow::rememberedPasswordComesBackNextTime_data()
{
    QTest::addColumn<Qt::CheckState>("remember");
    QTest::addColumn<bool>("stored");
    QTest::newRow("remembered") << Qt::Checked << true;
    QTest::newRow("not remembered") << Qt::Unchecked << false;
}

void TestMainWindow::rememberedPasswordComesBackNextTime()
{
    const QString password = QStringLiteral("dëmo pass&word");
    QFETCH(Qt::CheckState, remember);
    QFETCH(bool, stored);
    m_service->addUser("ann", password.toStdString());
    // An earlier remembered password that an unchecked box must remove; it does not unscramble, so the
    // dialog shows no password but a checked box.
    writeSettings({ { "server", m_service->baseUrl() }, { "login", "ann" }, { "passwd", "left over" } });
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    answer(openSessionTestAccept(QStringLiteral("ann"), password, remember));
    QVERIFY(openSession());
    QCOMPARE(m_shown[0].password, QString());
    QCOMPARE(m_shown[0].remember, Qt::Checked);
    QCOMPARE(storedSettings().contains("logindialog/passwd"), stored);
    QVERIFY(!storedSettings().value("logindialog/passwd").contains(QStringLiteral("pass")));

    answer(openSessionTestCancel);
    QVERIFY(!openSession());
    QCOMPARE(m_shown[1].password, stored ? password : QString());
    QCOMPARE(m_shown[1].remember, stored ? Qt::Checked : Qt::Unchecked);
}

void TestMainWindow::caBundleOfTheSettingsIsTrusted()
{
    FakeService secure(TestServer::Scheme::Https);
    writeSettings({ { "server", secure.baseUrl() }, { "login", "demo" } });
    // Refused: the dialog stays open after the box, and the user gives up.
    answer(openSessionTestAccept(QStringLiteral("demo"), QStringLiteral("demo")));
    QVERIFY(!openSession());
    QCOMPARE(m_boxes->texts(), QStringList { QStringLiteral("Unable to connect to server.") });

    writeSettings({ { "cabundle", secure.caCertificatePath() } });
    answer(openSessionTestAccept(QStringLiteral("demo"), QStringLiteral("demo")));
    QVERIFY(openSession());
    // The probe of the dialog trusts it as well.
    answer([&secure](LoginDialog& dialog) {
        openSessionTestChangeServer(dialog, secure.baseUrl());
        [&] { QCOMPARE(dialog.server(), secure.baseUrl()); }();
        return int(QDialog::Rejected);
    });
    QVERIFY(!openSession());
    QCOMPARE(storedSettings().value("logindialog/cabundle"), secure.caCertificatePath());
}

void TestMainWindow::settingsDirectoryThatCannotBeMadeEndsTheStart()
{
    const QString parent = QFileInfo(QDir::fromNativeSeparators(settingsDirectory())).path();
    QVERIFY(QDir().mkpath(QFileInfo(parent).path()));
    QFile blocker(parent);
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    QVERIFY(!openSession());
    QCOMPARE(m_boxes->texts(), QStringList { "Unable to make directory: " + settingsDirectory() + "." });
    QVERIFY(m_shown.isEmpty());
}

void TestMainWindow::windowShowsBothTreesOpenedAtHomeAndExitLogsOff()
{
    auto window = shownWindow();
    QTRY_COMPARE(rowNames(view(*window, "remoteView")->model()), QStringList { "Alpha" });

    // Every folder on the way to the home folder is open, the root folder first.
    QTreeView* local = view(*window, "localView");
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(local->model());
    QString path = m_home;
    while (true) {
        const QModelIndex index = proxy->mapFromSource(localModel(*window)->index(path));
        QVERIFY2(index.isValid() && local->isExpanded(index), qPrintable(path));
        if (path == QDir::rootPath())
            break;
        path = QFileInfo(path).path();
    }
    // Once the folders have loaded, the home folder is at the top, or as near as the tree lets it be.
    const QModelIndex home = proxy->mapFromSource(localModel(*window)->index(m_home));
    QTRY_VERIFY(local->visualRect(home).top() == 0
        || local->verticalScrollBar()->value() == local->verticalScrollBar()->maximum());

    // Sorted by name, so that rows keep their places as the folders fill in.
    QCOMPARE(local->header()->sortIndicatorSection(), 0);
    QCOMPARE(local->header()->sortIndicatorOrder(), Qt::AscendingOrder);

    // The tree goes back to the home folder whenever it changes, until the user moves in it.
    local->verticalScrollBar()->setValue(0);
    proxy->invalidate();
    QTRY_VERIFY(local->verticalScrollBar()->value() > 0);
    QTest::mouseClick(local->viewport(), Qt::LeftButton, {}, QPoint(5, 5));
    local->verticalScrollBar()->setValue(0);
    proxy->invalidate();
    QTest::qWait(10);
    QCOMPARE(local->verticalScrollBar()->value(), 0);
    QVERIFY(m_boxes->texts().isEmpty());

    // Exit closes the window; the session is logged off (in the background) when the window goes.
    window->exitTriggered();
    QVERIFY(!window->isVisible());
    window.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QCOMPARE(m_lines->lines().count(QStringLiteral("Rest logoff()")), 1);
    QCOMPARE(m_service->server().requests().back().path, std::string("/rest/Logoff"));
}

// While the user aims at a row, the folders that fill in do not move the tree.
void TestMainWindow::localTreeHoldsStillUnderThePointer()
{
    const auto window = shownWindow();
    QTreeView* local = view(*window, "localView");
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(local->model());
    QTRY_VERIFY(local->verticalScrollBar()->value() > 0);
    QTest::mouseMove(local->viewport(), QPoint(5, 5));
    QVERIFY(local->underMouse());
    local->verticalScrollBar()->setValue(0);
    proxy->invalidate();
    QTest::qWait(10);
    QCOMPARE(local->verticalScrollBar()->value(), 0);
}

void TestMainWindow::projectLoadErrorIsShownOnceThenTheLoginComesBack()
{
    m_service->setProjects("demo", "[]");
    const auto window = makeWindow();
    answer(openSessionTestCancel);
    window->show();
    QTRY_COMPARE(m_boxes->texts(),
        QStringList {
            QStringLiteral("There are no accessible projects to display, contact your administrator.") });
    QTRY_VERIFY(!window->isVisible());
    QVERIFY(!window->session());
    QTRY_COMPARE(m_lines->lines().count(QStringLiteral("Rest logoff()")), 1);
    QCOMPARE(m_boxes->texts().size(), 1);
}

void TestMainWindow::logoutShowsTheNextUsersProjectsAndKeepsTheLocalTree()
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
}

void TestMainWindow::keepAliveSkipsARoundWhileARequestRuns()
{
    const auto window = makeWindow();
    // The transfer's request is held at the server until the keep-alive round is over.
    std::promise<void> release;
    const std::shared_future<void> released = release.get_future().share();
    m_service->server().on("GET", "/rest/Documents", [released](const RecordedRequest&) {
        released.wait_for(std::chrono::seconds(20));
        return TestReply::text(200, "[]");
    });
    // The project list is in: nothing else of the session waits behind the held request.
    QTRY_VERIFY(!window->findChild<KelmarTreeModel*>()->isLoadingProjects());
    m_service->server().clearRequests();
    Rest* session = window->session()->rest();
    std::atomic<bool> transferDone { false };
    std::thread transfer([session, &transferDone] {
        session->getDocuments(5);
        transferDone = true;
    });
    QTRY_VERIFY(!m_service->server().requests("/rest/Documents").empty());

    window->timerRestLogon();
    QTRY_VERIFY(m_lines->contains(
        QStringLiteral("Rest logon() skipped, a request is running; the transfer keeps the session alive.")));
    const bool roundEndedFirst = !transferDone;
    release.set_value();
    transfer.join();
    QVERIFY(roundEndedFirst);
    QVERIFY(m_service->server().requests("/rest/Logon").empty());

    window->timerRestLogon();
    QTRY_COMPARE(m_service->server().requests("/rest/Logon").size(), std::size_t(1));
    QVERIFY(m_boxes->texts().isEmpty());
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
    QFile existing(m_home + QStringLiteral("/a.txt"));
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write("old") == 3);
    existing.close();
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setId(7);
    document.setName(QStringLiteral("a.txt"));
    document.setFolderId(10);

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
        { document.toJson() + JSONParser::dragItemJson(1, QStringLiteral("Alpha")) }, m_home);
    QTRY_VERIFY(!window->transfers()->isBusy());
    QCOMPARE(m_boxes->texts(),
        QStringList { "Unable to login to the server, check your login details and try again." });
    QVERIFY(workerCanceled);
    QVERIFY(!window->isVisible());
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("old"));
}

void TestMainWindow::onlineHelpOpensTheHelpPage()
{
    const auto window = makeWindow();
    TestBrowser browser;
    window->helpTriggered();
    QCOMPARE(
        browser.opened, QList<QUrl> { QUrl(QStringLiteral("https://www.torvex.example/help/transfer")) });
    QVERIFY(m_boxes->texts().isEmpty());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"

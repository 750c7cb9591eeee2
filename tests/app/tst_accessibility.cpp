#include "app/aboutdialog.h"
#include "app/logindialog.h"
#include "app/mainwindow.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/fakeservice.h"
#include "support/recorders.h"

#include <QAccessible>
#include <QApplication>
#include <QFileSystemModel>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <functional>
#include <memory>

// Builds a window of the program, ready to be shown, with the service's session where it needs one.
using AccessibilityTestWindow = std::function<std::unique_ptr<QWidget>(FakeService&)>;
Q_DECLARE_METATYPE(AccessibilityTestWindow)

namespace {
// The main window with a current row in each tree, so that every tool bar button works.
std::unique_ptr<QWidget> accessibilityTestMainWindow(FakeService& service)
{
    auto window = std::make_unique<MainWindow>(std::make_unique<SessionRunner>(
        std::make_unique<Rest>(service.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"))));
    auto* remote = window->findChild<QTreeView*>(QStringLiteral("remoteView"));
    auto* local = window->findChild<QTreeView*>(QStringLiteral("localView"));
    if (!QTest::qWaitFor(
            [remote] { return remote->model()->index(0, 0).data() == QStringLiteral("Alpha"); }, 10000))
        qWarning("the projects did not come");
    const auto* files = qobject_cast<QSortFilterProxyModel*>(local->model());
    const QModelIndex home = files->mapFromSource(
        qobject_cast<QFileSystemModel*>(files->sourceModel())->index(QDir::homePath()));
    for (const auto& [view, row] : { std::pair { remote, remote->model()->index(0, 0) }, { local, home } })
        view->selectionModel()->setCurrentIndex(
            row, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    return window;
}

std::unique_ptr<QWidget> accessibilityTestLoginDialog(FakeService& service)
{
    return std::make_unique<LoginDialog>(service.baseUrl(), QString(), QString(), Qt::Unchecked);
}

std::unique_ptr<QWidget> accessibilityTestAboutDialog(FakeService&)
{
    return std::make_unique<AboutDialog>();
}

// "name (class)" of the widget, for the failure message.
QString accessibilityTestDescribe(const QWidget* widget)
{
    return widget->objectName() + QStringLiteral(" (") + QLatin1String(widget->metaObject()->className())
        + QLatin1Char(')');
}
} // namespace

// What a screen reader and a keyboard find in each window: a name for every control and picture, and
// every control on the way of the Tab key, in reading order.
class TestAccessibility : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void everyControlHasANameAndTabReachesItInOrder_data();
    void everyControlHasANameAndTabReachesItInOrder();

private:
    QTemporaryDir m_home;
    QByteArray m_realHome;
};

void TestAccessibility::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_realHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(m_home.path()));
}

void TestAccessibility::cleanupTestCase()
{
    qputenv("HOME", m_realHome);
}

void TestAccessibility::everyControlHasANameAndTabReachesItInOrder_data()
{
    QTest::addColumn<AccessibilityTestWindow>("make");
    QTest::addColumn<QStringList>("tabOrder");
    QTest::newRow("main window") << AccessibilityTestWindow(accessibilityTestMainWindow)
                                 << QStringList { "localView", "remoteView", "uploadButton", "downloadButton",
                                        "reloadButton" };
    QTest::newRow("login dialog") << AccessibilityTestWindow(accessibilityTestLoginDialog)
                                  << QStringList { "serverClickLabel", "loginEdit", "passwordEdit",
                                         "passwdClickLabel", "rememberBox", "cancelButton", "okButton" };
    QTest::newRow("about dialog") << AccessibilityTestWindow(accessibilityTestAboutDialog)
                                  << QStringList { "homeLink" };
}

void TestAccessibility::everyControlHasANameAndTabReachesItInOrder()
{
    QFETCH(AccessibilityTestWindow, make);
    QFETCH(QStringList, tabOrder);
    FakeService service;
    service.setProjects("demo", FakeService::list(FakeService::project(1, "Alpha")));
    BoxRecorder boxes;
    std::unique_ptr<QWidget> window = make(service);
    window->show();
    window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));

    QStringList unnamed;
    QList<QWidget*> widgets = window->findChildren<QWidget*>();
    widgets << window.get();
    for (QWidget* widget : std::as_const(widgets)) {
        const auto* label = qobject_cast<QLabel*>(widget);
        const bool control = widget->focusPolicy() & Qt::TabFocus;
        const bool picture = label && !label->pixmap().isNull();
        if (!widget->isVisible() || !(control || picture))
            continue;
        const QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
        if (!accessible || accessible->text(QAccessible::Name).trimmed().isEmpty())
            unnamed << accessibilityTestDescribe(widget);
    }
    QCOMPARE(unnamed, QStringList());

    // Tab goes round the controls and comes back to the first.
    window->findChild<QWidget*>(tabOrder.first())->setFocus(Qt::TabFocusReason);
    QStringList reached;
    for (qsizetype step = 0; step <= tabOrder.size(); ++step) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus);
        reached << focus->objectName();
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    QCOMPARE(reached, tabOrder + tabOrder.mid(0, 1));
    QVERIFY(boxes.texts().isEmpty());
    window.reset();
    QVERIFY(JobQueue::waitForAll(10000));
}

QTEST_MAIN(TestAccessibility)
#include "tst_accessibility.moc"

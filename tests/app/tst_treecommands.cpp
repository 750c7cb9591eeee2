#include "app/mainwindow.h"
#include "app/transfercontroller.h"
#include "app/treecommands.h"
#include "local/localtreemodel.h"
#include "remote/kelmartreemodel.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/fakeservice.h"
#include "support/recorders.h"

#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QSortFilterProxyModel>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeView>
#include <QtTest>

#include <memory>

namespace {
// What a drop or a command handed on, side by side for comparing.
struct TreeCommandsTestRequest
{
    QString target;
    QString targetPath;
    int projectId = 0;
    QStringList items;

    bool operator==(const TreeCommandsTestRequest& other) const
    {
        return target == other.target && targetPath == other.targetPath && projectId == other.projectId
            && items == other.items;
    }
};

char* toString(const TreeCommandsTestRequest& request)
{
    return QTest::toString(
        QStringList { request.target, request.targetPath, QString::number(request.projectId) }
        + request.items);
}

// Drags data over a row of the view and drops it there, as the mouse does.
void treeCommandsTestDrop(QAbstractItemView* view, const QModelIndex& row, const QMimeData* data)
{
    const QPoint at = view->visualRect(row).center();
    QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view->viewport(), &move);
    QDropEvent drop(QPointF(at), Qt::CopyAction, data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(view->viewport(), &drop);
}
} // namespace

// The commands beside drag and drop, driven by key events alone.
class TestTreeCommands : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void keyboardHandsOverWhatADropWould_data();
    void keyboardHandsOverWhatADropWould();
    void f5ReadsTheCurrentRowOfEitherTreeAgain();

private:
    QTreeView* view(const char* name) { return m_window->findChild<QTreeView*>(QLatin1String(name)); }
    // Types the start of a row's name into a tree, which makes that row current and selected.
    void type(QTreeView* tree, const QString& text);
    void key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    QModelIndex rowNamed(QTreeView* tree, const QString& name) const;
    void remember(const UploadRequest& request);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeService> m_service;
    std::unique_ptr<BoxRecorder> m_boxes;
    std::unique_ptr<MainWindow> m_window;
    QByteArray m_realHome;
    QString m_home;
    QList<TreeCommandsTestRequest> m_requests;
};

void TestTreeCommands::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_realHome = qgetenv("HOME");
}

void TestTreeCommands::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_home = m_dir->filePath(QStringLiteral("home/ann"));
    QVERIFY(QDir().mkpath(m_home + QStringLiteral("/zqinbox")));
    QFile file(m_home + QStringLiteral("/zqnotes.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("x") == 1);
    file.close();
    qputenv("HOME", QFile::encodeName(m_home));
    m_service = std::make_unique<FakeService>();
    m_service->setProjects("demo", FakeService::list(FakeService::project(1, "Alpha")));
    m_service->setFolders(1, 0, FakeService::list(FakeService::folder(10, "Plans", "documents", 1, 0, 1)));
    m_service->setDocuments(
        10, FakeService::list(FakeService::document(7, "site.dwg", 1536, "2024-01-15T10:30:00Z", 10)));
    m_boxes = std::make_unique<BoxRecorder>();
    m_window = std::make_unique<MainWindow>(std::make_unique<SessionRunner>(
        std::make_unique<Rest>(m_service->baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"))));
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_requests.clear();
    // What reaches the transfers is recorded here instead of being run.
    const auto* remote = qobject_cast<KelmarTreeModel*>(view("remoteView")->model());
    const auto* local = qobject_cast<LocalTreeModel*>(
        qobject_cast<QSortFilterProxyModel*>(view("localView")->model())->sourceModel());
    QVERIFY(disconnect(remote, &KelmarTreeModel::uploadRequested, m_window->transfers(), nullptr));
    QVERIFY(disconnect(local, &LocalTreeModel::downloadRequested, m_window->transfers(), nullptr));
    connect(remote, &KelmarTreeModel::uploadRequested, this, &TestTreeCommands::remember);
    connect(local, &LocalTreeModel::downloadRequested, this,
        [this](const QStringList& items, const QString& dir) {
            m_requests.append({ dir, QString(), 0, items });
        });
}

void TestTreeCommands::cleanup()
{
    m_window.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QVERIFY(m_boxes->texts().isEmpty());
    m_boxes.reset();
    m_service.reset();
    qputenv("HOME", m_realHome);
    m_dir.reset();
}

void TestTreeCommands::remember(const UploadRequest& request)
{
    QStringList files;
    for (const QUrl& url : request.urls)
        files.append(url.toLocalFile());
    const QString target
        = request.target ? request.target->objectType() + QString::number(request.target->id()) : QString();
    QVERIFY(request.targetRow.isValid() && request.targetRow.data().toString() == request.target->name());
    m_requests.append({ target, request.targetPath, request.projectId, files });
}

void TestTreeCommands::type(QTreeView* tree, const QString& text)
{
    // A pause first, so that the tree starts a new search rather than going on with the last one.
    QTest::qWait(QApplication::keyboardInputInterval() + 50);
    QTRY_VERIFY(rowNamed(tree, text).isValid());
    QTest::keyClicks(QApplication::focusWidget(), text);
    QTRY_COMPARE(tree->currentIndex().siblingAtColumn(0).data().toString(), text);
}

void TestTreeCommands::key(int key, Qt::KeyboardModifiers modifiers)
{
    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
}

QModelIndex TestTreeCommands::rowNamed(QTreeView* tree, const QString& name) const
{
    const QModelIndexList found = tree->model()->match(
        tree->model()->index(0, 0), Qt::DisplayRole, name, 1, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? QModelIndex() : found.first();
}

void TestTreeCommands::keyboardHandsOverWhatADropWould_data()
{
    QTest::addColumn<bool>("clipboard");
    QTest::newRow("upload and download commands") << false;
    QTest::newRow("copy and paste") << true;
}

void TestTreeCommands::keyboardHandsOverWhatADropWould()
{
    QFETCH(bool, clipboard);
    QTreeView* local = view("localView");
    QTreeView* remote = view("remoteView");
    TreeCommands* commands = m_window->commands();
    QCOMPARE(QApplication::focusWidget(), local);

    // A local file goes up to the remote folder.
    type(local, QStringLiteral("zqnotes.txt"));
    QVERIFY(!commands->uploadAction()->isEnabled());
    QCOMPARE(commands->uploadAction()->toolTip(),
        QStringLiteral("Choose a project or folder in the Torvex tree to upload to"));
    if (clipboard)
        key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), remote);
    type(remote, QStringLiteral("Alpha"));
    key(Qt::Key_Return);
    type(remote, QStringLiteral("Plans"));
    QCOMPARE(commands->uploadAction()->text(), QStringLiteral("&Upload to Plans"));
    key(clipboard ? Qt::Key_V : Qt::Key_U, Qt::ControlModifier);
    QCOMPARE(m_requests.size(), 1);
    const QString file = QDir(m_home).filePath(QStringLiteral("zqnotes.txt"));
    QCOMPARE(m_requests.at(0), (TreeCommandsTestRequest { "Folder10", "Alpha/Plans", 1, { file } }));
    const std::unique_ptr<QMimeData> localDrag(local->model()->mimeData({ rowNamed(local, "zqnotes.txt") }));
    treeCommandsTestDrop(remote, rowNamed(remote, "Plans"), localDrag.get());
    QCOMPARE(m_requests.size(), 2);
    QCOMPARE(m_requests.at(1), m_requests.at(0));

    // A remote document comes down to the local folder.
    m_requests.clear();
    key(Qt::Key_Return);
    type(remote, QStringLiteral("site.dwg"));
    if (clipboard)
        key(Qt::Key_C, Qt::ControlModifier);
    key(Qt::Key_Tab, Qt::ShiftModifier);
    QCOMPARE(QApplication::focusWidget(), local);
    type(local, QStringLiteral("zqinbox"));
    QCOMPARE(commands->downloadAction()->text(), QStringLiteral("&Download to zqinbox"));
    key(clipboard ? Qt::Key_V : Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(m_requests.size(), 1);
    QCOMPARE(m_requests.at(0).target, QDir(m_home).filePath(QStringLiteral("zqinbox")));
    QCOMPARE(m_requests.at(0).items.size(), 1);
    QVERIFY(m_requests.at(0).items.at(0).contains(QStringLiteral("\"Name\":\"site.dwg\"")));
    const std::unique_ptr<QMimeData> remoteDrag(remote->model()->mimeData({ rowNamed(remote, "site.dwg") }));
    treeCommandsTestDrop(local, rowNamed(local, "zqinbox"), remoteDrag.get());
    QCOMPARE(m_requests.size(), 2);
    QCOMPARE(m_requests.at(1), m_requests.at(0));

    // Pasting what the tree itself holds does nothing.
    if (clipboard) {
        key(Qt::Key_C, Qt::ControlModifier);
        key(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(!commands->pasteAction()->isEnabled());
        QCOMPARE(m_requests.size(), 2);
    }
}

void TestTreeCommands::f5ReadsTheCurrentRowOfEitherTreeAgain()
{
    QTreeView* local = view("localView");
    QTreeView* remote = view("remoteView");
    type(local, QStringLiteral("zqnotes.txt"));
    QTRY_COMPARE(
        rowNamed(local, "zqnotes.txt").siblingAtColumn(1).data().toString(), QStringLiteral("1 bytes"));
    QFile file(m_home + QStringLiteral("/zqnotes.txt"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(5000, 'x')) == 5000);
    file.close();
    key(Qt::Key_F5);
    QTRY_COMPARE(rowNamed(local, "zqnotes.txt").siblingAtColumn(1).data().toString(), QStringLiteral("4 KB"));

    key(Qt::Key_Tab);
    type(remote, QStringLiteral("Alpha"));
    key(Qt::Key_Return);
    type(remote, QStringLiteral("Plans"));
    key(Qt::Key_Return);
    QTRY_VERIFY(rowNamed(remote, "site.dwg").isValid());
    m_service->setDocuments(10,
        FakeService::list(FakeService::document(7, "site.dwg", 1536, "2024-01-15T10:30:00Z", 10),
            FakeService::document(8, "survey.pdf", 100, "2024-01-15T10:30:00Z", 10)));
    key(Qt::Key_F5);
    QTRY_VERIFY(rowNamed(remote, "survey.pdf").isValid());
    QVERIFY(remote->isExpanded(rowNamed(remote, "Plans")));
}

QTEST_MAIN(TestTreeCommands)
#include "tst_treecommands.moc"

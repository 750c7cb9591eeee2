#include "remote/kelmartreemodel.h"
#include "remote/kelmartreeview.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/fakeservice.h"
#include "support/guifixture.h"
#include "widgets/errorbox.h"
#include "widgets/itemicons.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {
// Waits until every load of the model has its answer.
bool remoteTestLoaded(const KelmarTreeModel& model)
{
    return QTest::qWaitFor([&model] { return !model.isLoading(); }, 10000);
}

bool remoteTestIconIs(const QVariant& decoration, const QString& path)
{
    const QIcon icon = decoration.value<QIcon>();
    return !icon.isNull() && icon.pixmap(16).toImage() == QIcon(path).pixmap(16).toImage();
}
} // namespace

// The remote tree's model, checked by Qt's model tester throughout, and the icons its rows show.
class TestKelmarTreeModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void freeProjectsAreHiddenAndOnlyASingleOneExplainsWhy();
    void loadFailuresAreShownAndTheModelStaysUsable_data();
    void loadFailuresAreShownAndTheModelStaysUsable();
    void rowsExpandersAndColumnsFollowTheServer();
    void everyExpansionInTheViewReloadsAndDropsStaleAnswers();
    void sameFailureWhileItsBoxIsOpenIsNotShownAgain();

private:
    std::unique_ptr<KelmarTreeModel> makeModel();

    std::unique_ptr<FakeService> m_service;
    std::unique_ptr<SessionRunner> m_session;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<BoxRecorder> m_boxes;
};

void TestKelmarTreeModel::initTestCase()
{
    // A zone two hours east of UTC, without daylight saving, makes the local-time conversion visible.
    qputenv("TZ", "XST-2");
    tzset();
}

void TestKelmarTreeModel::init()
{
    m_service = std::make_unique<FakeService>();
    m_service->setProjects("demo", FakeService::list(FakeService::project(1, "Alpha")));
    m_session = std::make_unique<SessionRunner>(
        std::make_unique<Rest>(m_service->baseUrl(), QStringLiteral("demo"), QStringLiteral("demo")));
    m_boxes = std::make_unique<BoxRecorder>();
}

void TestKelmarTreeModel::cleanup()
{
    m_tester.reset();
    m_boxes.reset();
    m_session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    m_service.reset();
}

std::unique_ptr<KelmarTreeModel> TestKelmarTreeModel::makeModel()
{
    // The tester watches the "Loading…" row come and go as well.
    auto model = std::make_unique<KelmarTreeModel>(m_session.get());
    m_tester = std::make_unique<QAbstractItemModelTester>(
        model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    if (!remoteTestLoaded(*model))
        qWarning("the project list did not come");
    return model;
}

// An empty list is left to the main window test, which shows its load error.
void TestKelmarTreeModel::freeProjectsAreHiddenAndOnlyASingleOneExplainsWhy()
{
    using S = FakeService;
    const auto load = [this](const std::string& projects) {
        m_service->setProjects("demo", projects);
        return makeModel();
    };
    auto model = load(S::list(S::project(1, "Free", true)));
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->loadError(),
        QStringLiteral(
            "The current version of Torvex Transfer only supports Torvex Premium projects.\nTorvex "
            "Free support is comming soon."));
    model = load(S::list(S::project(1, "Free", true), S::project(2, "Beta"), S::project(3, "Gamma")));
    QCOMPARE(rowNames(model.get()), (QStringList { "Beta", "Gamma" }));
    QCOMPARE(model->loadError(), QString());
    model = load(S::list(S::project(1, "A", true), S::project(2, "B", true)));
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->loadError(), QString());
    QVERIFY(m_boxes->texts().isEmpty());
}

void TestKelmarTreeModel::loadFailuresAreShownAndTheModelStaysUsable_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("network");
    QTest::addColumn<int>("depth"); // 0: the project list, 1: a project, 2: a folder
    QTest::addColumn<QString>("what");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("projects, network") << "/rest/Projects" << true << 0 << "the projects" << QStringList();
    QTest::newRow("project folders") << "/rest/Folders" << false << 1 << "the project folders"
                                     << QStringList();
    QTest::newRow("subfolders") << "/rest/Folders" << true << 2 << "the subfolders"
                                << QStringList { "x.pdf" };
    QTest::newRow("documents") << "/rest/Documents" << false << 2 << "the documents" << QStringList { "Sub" };
}

void TestKelmarTreeModel::loadFailuresAreShownAndTheModelStaysUsable()
{
    QFETCH(QString, path);
    QFETCH(bool, network);
    QFETCH(int, depth);
    QFETCH(QString, what);
    QFETCH(QStringList, rows);
    using S = FakeService;
    m_service->setFolders(1, 0, S::list(S::folder(10, "Plans", "documents", 1, 7, 9)));
    m_service->setFolders(1, 10, S::list(S::folder(20, "Sub", "binder", 1, 0, 0, 10)));
    m_service->setDocuments(10, S::list(S::document(30, "x.pdf", 1)));
    const TestReply fault = network ? S::dropped() : TestReply::text(500, R"({"Error":"boom"})");
    if (depth == 0)
        m_service->setFault(path.toStdString(), fault);
    const auto model = makeModel();
    QModelIndex target;
    for (int level = 0; level < depth; ++level) {
        target = model->index(0, 0, target);
        if (level + 1 < depth) {
            model->expand(target);
            QVERIFY(remoteTestLoaded(*model));
        }
    }
    if (depth > 0)
        m_service->setFault(path.toStdString(), fault);
    model->expand(target);
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(rowNames(model.get(), target), rows);
    const QString detail
        = network ? QString() : QStringLiteral(". Response code: 500, response: {\"Error\":\"boom\"}");
    QCOMPARE(m_boxes->texts(),
        QStringList { network ? QStringLiteral("Unable to connect to server")
                              : QStringLiteral("An error occured while retreiving ") + what + detail });
    if (depth == 0) {
        QCOMPARE(model->loadError(), QString());
        return;
    }

    QVERIFY(model->hasChildren(target));
    m_service->clearFault(path.toStdString());
    model->expand(target);
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(model->rowCount(target), depth);
    QCOMPARE(m_boxes->texts().size(), 1);
}

// Collapsing keeps the rows; each expansion asks again, abandons the load before it, and a model that
// goes takes its loads with it.
void TestKelmarTreeModel::everyExpansionInTheViewReloadsAndDropsStaleAnswers()
{
    using S = FakeService;
    m_service->setFolders(
        1, 0, S::list(S::folder(10, "Old", "binder", 1), S::folder(11, "Older", "binder", 1)));
    auto model = makeModel();
    KelmarTreeView view;
    view.setModel(model.get());
    const QModelIndex alpha = model->index(0, 0);
    view.setExpanded(alpha, true);
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(rowNames(model.get(), alpha), (QStringList { "Old", "Older" }));
    view.collapse(alpha);
    QCOMPARE(model->rowCount(alpha), 2);

    m_service->server().clearRequests();
    TestReply slow = TestReply::text(200, S::list(S::folder(10, "Stale", "binder", 1)));
    slow.delay = std::chrono::milliseconds(300);
    m_service->setFault("/rest/Folders", slow);
    QStringList inserted;
    connect(model.get(), &QAbstractItemModel::rowsInserted, this, [&](const QModelIndex& parent, int first) {
        inserted << model->index(first, 0, parent).data().toString();
    });
    view.setExpanded(alpha, true);
    QTRY_COMPARE(m_service->server().requests("/rest/Folders").size(), std::size_t(1));
    m_service->clearFault("/rest/Folders");
    m_service->setFolders(1, 0, S::list(S::folder(12, "New", "binder", 1)));
    view.collapse(alpha);
    view.setExpanded(alpha, true);
    // The session answers in order: once the second answer is in, the first one has come and gone.
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(inserted, QStringList({ "Loading…", "Loading…", "New" }));

    // A reload that inserts nothing takes the expander away.
    m_service->setFolders(1, 0, S::list(S::folder(13, "(separator)", "", 1)));
    model->expand(alpha);
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(model->rowCount(alpha), 0);
    QVERIFY(!model->hasChildren(alpha));

    // The window's logout deletes the model while a listing runs.
    m_service->setFault("/rest/Folders", slow);
    model->expand(alpha);
    QTRY_COMPARE(m_service->server().requests("/rest/Folders").size(), std::size_t(4));
    m_tester.reset();
    view.setModel(nullptr);
    model.reset();
    m_session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QCoreApplication::processEvents();
    QVERIFY(m_boxes->texts().isEmpty());
}

// Answers keep coming while a box waits for the user; the same failure does not stack a second box.
void TestKelmarTreeModel::sameFailureWhileItsBoxIsOpenIsNotShownAgain()
{
    m_boxes.reset();
    const QString text = QStringLiteral("Unable to connect to server");
    int most = 0;
    QTimer::singleShot(0, [&] {
        // Runs inside the box that is open then: the first, or a second one if it was stacked.
        QTimer::singleShot(50, [&most] {
            for (QWidget* window : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(window); box && box->isVisible()) {
                    ++most;
                    box->accept();
                }
            }
        });
        ErrorBox::show(text);
    });
    ErrorBox::show(text);
    QCOMPARE(most, 1);
}

// Rows, expanders and columns: the sizes in the remote tree's units, the dates in local time.
void TestKelmarTreeModel::rowsExpandersAndColumnsFollowTheServer()
{
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha"), S::project(2, "Empty")));
    m_service->setFolders(1, 0,
        S::list(S::folder(10, "Binder", "binder", 1, 0, 5), S::folder(11, "Docs", "documents", 1, 0, 5),
            S::folder(12, "Mail", "mail", 1, 2, 0), S::folder(13, "Bare", "documents", 1, 0, 0),
            S::folder(14, "Plans", "documents", 1, 3, 3)));
    m_service->setFolders(1, 14,
        S::list(S::folder(20, "Site", "documents", 1, 0, 0, 14), S::folder(21, "(separator)", "", 1),
            S::folder(22, "Archive", "binder", 1, 0, 0, 14)));
    m_service->setDocuments(14,
        S::list(S::document(30, "b.pdf", 1),
            S::document(31, "Model.DWG", 5368709120LL, "2024-01-15T10:30:00Z"), S::document(32, "c.txt", 3)));
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    const auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    const QModelIndex empty = model->index(1, 0);
    QVERIFY(model->hasChildren(alpha));
    QVERIFY(!model->hasChildren(empty));
    model->expand(empty);
    // Until the answer comes, one row says so.
    QCOMPARE(rowNames(model.get(), empty), QStringList { QStringLiteral("Loading…") });
    QCOMPARE(model->flags(model->index(0, 0, empty)), Qt::ItemFlags(Qt::ItemIsEnabled));
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(model->rowCount(empty), 0);
    QVERIFY(!model->hasChildren(empty));

    model->expand(alpha);
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(rowNames(model.get(), alpha), (QStringList { "Binder", "Docs", "Mail", "Bare", "Plans" }));
    QVERIFY(!model->hasChildren(model->index(0, 0, alpha))); // items of a binder are never shown
    QVERIFY(model->hasChildren(model->index(1, 0, alpha)));
    QVERIFY(model->hasChildren(model->index(2, 0, alpha)));
    QVERIFY(!model->hasChildren(model->index(3, 0, alpha)));

    // Subfolders, then documents; separators are left out.
    const QModelIndex plans = model->index(4, 0, alpha);
    model->expand(plans);
    QVERIFY(remoteTestLoaded(*model));
    QCOMPARE(
        rowNames(model.get(), plans), (QStringList { "Site", "Archive", "b.pdf", "Model.DWG", "c.txt" }));
    QCOMPARE(m_service->server().requests("/rest/Folders").back().target,
        std::string("/rest/Folders?p=1&parent=14&a=tree"));
    QCOMPARE(
        m_service->server().requests("/rest/Documents").back().target, std::string("/rest/Documents?f=14"));
    QVERIFY(m_boxes->texts().isEmpty());

    const QModelIndex document = model->index(3, 0, plans);
    for (const auto& [index, icon] :
        { std::pair { alpha, "project.gif" }, { plans, "folderDocuments.gif" }, { document, "doc_dwg.png" } })
        QVERIFY2(
            remoteTestIconIs(index.data(Qt::DecorationRole), ":/images/icons/" + QLatin1String(icon)), icon);
    QCOMPARE(document.siblingAtColumn(1).data().toString(), QStringLiteral("5.00 GB"));
    const QDateTime local(QDate(2024, 1, 15), QTime(12, 30));
    QCOMPARE(document.siblingAtColumn(2).data().toString(),
        QLocale::system().toString(local, QLocale::ShortFormat));
    // Bytes up to 1023, whole KB, MB with one decimal in the locale's notation.
    QCOMPARE(KelmarTreeModel::sizeText(1023), QStringLiteral("1023 bytes"));
    QCOMPARE(KelmarTreeModel::sizeText(1536), QStringLiteral("1 KB"));
    QCOMPARE(KelmarTreeModel::sizeText(1572864), QStringLiteral("1.5 MB"));
    QLocale::setDefault(QLocale(QStringLiteral("de_DE")));
    QCOMPARE(KelmarTreeModel::sizeText(1572864), QStringLiteral("1,5 MB"));
    QLocale::setDefault(previous);

    // Every row is a drag source and a drop target, and so is the empty space below the rows.
    QCOMPARE(model->flags(QModelIndex()), Qt::ItemFlags(Qt::ItemIsDropEnabled));
    for (const QModelIndex& index : { alpha, document.siblingAtColumn(2) })
        QVERIFY(model->flags(index).testFlags(Qt::ItemIsDropEnabled | Qt::ItemIsDragEnabled));
    QCOMPARE(model->supportedDropActions(), Qt::DropActions(Qt::CopyAction));

    // Icons by extension, and by folder type matched whole and case-sensitively.
    const QString icons = QStringLiteral(":/images/icons/");
    QCOMPARE(documentIconPath(QStringLiteral("Report.PDF")), icons + "doc_pdf.png");
    QCOMPARE(documentIconPath(QStringLiteral("archive.tar.gz")), icons + "doc_zip.png");
    QCOMPARE(documentIconPath(QStringLiteral("Makefile")), icons + "doc_other.png");
    QCOMPARE(documentIconPath(QStringLiteral(".xml")), icons + "doc_code.png");
    QCOMPARE(folderIconPath(QStringLiteral("mail")), icons + "folderMail.gif");
    QCOMPARE(folderIconPath(QStringLiteral("Mail")), icons + "folderClassic.gif");
}

QTEST_MAIN(TestKelmarTreeModel)
#include "tst_kelmartreemodel.moc"

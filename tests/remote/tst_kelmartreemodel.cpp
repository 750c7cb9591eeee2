#include "app/transfercontroller.h"
#include "model/dragpayload.h"
#include "remote/kelmartreemodel.h"
#include "remote/kelmartreeview.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "support/fakeservice.h"
#include "support/guifixture.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadlistingdialog.h"
#include "transfer/uploaddialog.h"
#include "widgets/errorbox.h"
#include "widgets/itemicons.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

namespace {
using S = FakeService;

bool remoteTestLoaded(const KelmarTreeModel& model)
{
    return QTest::qWaitFor([&model] { return !model.isLoading(); }, 10000);
}

bool remoteTestExpanded(KelmarTreeModel& model, const QModelIndex& index)
{
    model.expand(index);
    return remoteTestLoaded(model);
}
const std::string dragDropFolderDocs = R"({"ObjectType":"Folder","ID":10,"Name":"Docs","Path":"Docs",)"
                                       R"("Type":"documents","ProjectID":1,"NrChildren":1,"NrItems":1})";
// A name with every character that could break the payload's JSON or its splitting (a plain literal:
// the meta-object compiler misreads escaped quotes inside raw strings).
const QString dragDropOddName = QStringLiteral("Plans \"A\"} \\x");
const std::string dragDropFolderSub
    = "{\"ObjectType\":\"Folder\",\"ID\":11,\"Name\":\"Plans \\\"A\\\"} \\\\x\","
      "\"Path\":\"Docs/Plans \\\"A\\\"} \\\\x\",\"Type\":\"documents\",\"ParentID\":10,"
      "\"ProjectID\":1}";
const std::string dragDropDocument = R"({"ObjectType":"Document","ID":40,"Name":"plan.pdf","FolderID":10,)"
                                     R"("AuthorID":5,"Size":12})";

} // namespace

// The remote tree's model, checked by Qt's model tester throughout, the icons its rows show, and what is
// dragged out of it and dropped on it.
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
    void rowsExpandersColumnsAndReloadsFollowTheServer();
    void sameFailureWhileItsBoxIsOpenIsNotShownAgain();

    void payloadHoldsOneEntryPerDraggedRowAndOnlyLocalFilesAreDropped();
    void downloadWalkRunsInTheBackgroundUntilCanceledOrTheWindowGoes();

private:
    std::unique_ptr<KelmarTreeModel> makeModel();
    // The drop tests' tree in m_model, opened down to Docs, with the window's transfer controller.
    void makeDropTree();
    QModelIndex docs() const { return m_model->index(0, 0, m_model->index(0, 0)); }
    // The drop's preparation, dialog and reload are over.
    bool settled()
    {
        return QTest::qWaitFor([this] { return !m_controller->isBusy() && !m_model->isLoading(); }, 20000);
    }
    QStringList requestTargets() const;
    QMimeData* localFiles(const QStringList& names);

    std::unique_ptr<FakeService> m_service;
    std::unique_ptr<SessionRunner> m_session;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<BoxRecorder> m_boxes;
    QTemporaryDir m_dir;
    std::unique_ptr<KelmarTreeModel> m_model;
    std::unique_ptr<QWidget> m_window;
    TransferController* m_controller = nullptr;
    std::unique_ptr<QMimeData> m_data;
    int m_dialogs = 0;
    QString m_heading;
    QString m_status; // of the last row
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
    m_service->setProjects("demo", S::list(S::project(1, "Alpha")));
    m_session = std::make_unique<SessionRunner>(
        std::make_unique<Rest>(m_service->baseUrl(), QStringLiteral("demo"), QStringLiteral("demo")));
    m_boxes = std::make_unique<BoxRecorder>();
}

void TestKelmarTreeModel::cleanup()
{
    UploadDialog::setExecHook(nullptr);
    DownloadDialog::setRunner(nullptr);
    m_tester.reset();
    m_data.reset();
    m_window.reset();
    m_model.reset();
    m_boxes.reset();
    m_session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    m_service.reset();
}

void TestKelmarTreeModel::makeDropTree()
{
    m_service->setProjects("demo", S::list(S::project(1, "Site"), S::project(2, "Other")));
    m_service->setFolders(1, 0, S::list(dragDropFolderDocs));
    m_service->setFolders(1, 10, S::list(dragDropFolderSub));
    m_service->setDocuments(10, S::list(dragDropDocument));
    TestServer& server = m_service->server();
    server.on("GET", "/rest/DocumentStatus",
        TestReply::text(
            200, R"([{"ID":7,"Name":"Draft","Sequence":1},{"ID":8,"Name":"Final","Sequence":2}])"));
    server.on("GET", "/rest/Contacts", TestReply::text(200, R"({"ID":5,"IsAdmin":false})"));
    server.on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanAdd":true,"CanAddRevision":true})"));
    server.on("POST", "/rest/Documents", TestReply::text(200, R"({"ObjectType":"Document","ID":41})"));
    m_model = std::make_unique<KelmarTreeModel>(m_session.get());
    m_window = std::make_unique<QWidget>();
    m_controller = new TransferController(m_window.get());
    m_controller->setSession(m_session.get());
    m_controller->setRemoteModel(m_model.get());
    connect(
        m_model.get(), &KelmarTreeModel::uploadRequested, m_controller, &TransferController::uploadRequested);
    QVERIFY(settled());
    QVERIFY(remoteTestExpanded(*m_model, m_model->index(0, 0)));
    QVERIFY(remoteTestExpanded(*m_model, docs()));
    m_dialogs = 0;
    // The dialog is looked at and closed as if the user did it.
    UploadDialog::setExecHook([this](UploadDialog& dialog) {
        ++m_dialogs;
        m_heading = dialog.findChild<QLabel*>(QStringLiteral("headingLabel"))->text();
        const QAbstractItemModel* rows = dialog.findChild<QTableView*>()->model();
        m_status = rows->index(rows->rowCount() - 1, 3).data(Qt::EditRole).toString();
        dialog.reject();
    });
    m_service->server().clearRequests();
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
    m_service->setFolders(1, 0, S::list(S::folder(10, "Plans", "documents", 1, 7, 9)));
    m_service->setFolders(1, 10, S::list(S::folder(20, "Sub", "binder", 1, 0, 0, 10)));
    m_service->setDocuments(10, S::list(S::document(30, "x.pdf", 1)));
    const TestReply fault = network ? S::dropped() : TestReply::text(500, R"({"Error":"boom"})");
    if (depth == 0)
        m_service->setFault(path.toStdString(), fault);
    const auto model = makeModel();
    QModelIndex target;
    for (int level = 0; level < depth; ++level) {
        if (level > 0)
            QVERIFY(remoteTestExpanded(*model, target));
        target = model->index(0, 0, target);
    }
    if (depth > 0)
        m_service->setFault(path.toStdString(), fault);
    QVERIFY(remoteTestExpanded(*model, target));
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
    QVERIFY(remoteTestExpanded(*model, target));
    QCOMPARE(model->rowCount(target), depth);
    QCOMPARE(m_boxes->texts().size(), 1);
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
void TestKelmarTreeModel::rowsExpandersColumnsAndReloadsFollowTheServer()
{
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
    auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    const QModelIndex empty = model->index(1, 0);
    QVERIFY(model->hasChildren(alpha));
    QVERIFY(!model->hasChildren(empty));
    model->expand(empty);
    // Until the answer comes, one row says so; it is neither dragged nor dropped on.
    QCOMPARE(model->index(0, 0, empty).data().toString(), QStringLiteral("Loading…"));
    QCOMPARE(model->flags(model->index(0, 0, empty)), Qt::ItemFlags(Qt::ItemIsEnabled));

    QVERIFY(remoteTestExpanded(*model, alpha));
    QCOMPARE(rowNames(model.get(), alpha), (QStringList { "Binder", "Docs", "Mail", "Bare", "Plans" }));
    QVERIFY(!model->hasChildren(model->index(0, 0, alpha))); // items of a binder are never shown
    QVERIFY(model->hasChildren(model->index(1, 0, alpha)));
    QVERIFY(model->hasChildren(model->index(2, 0, alpha)));
    QVERIFY(!model->hasChildren(model->index(3, 0, alpha)));

    // Subfolders, then documents; separators are left out.
    const QModelIndex plans = model->index(4, 0, alpha);
    QVERIFY(remoteTestExpanded(*model, plans));
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
        QCOMPARE(index.data(Qt::DecorationRole).value<QIcon>().pixmap(16).toImage(),
            QIcon(":/images/icons/" + QLatin1String(icon)).pixmap(16).toImage());
    QCOMPARE(document.siblingAtColumn(1).data().toString(), QStringLiteral("5.00 GB"));
    const QDateTime local(QDate(2024, 1, 15), QTime(12, 30));
    QCOMPARE(document.siblingAtColumn(2).data().toString(),
        QLocale::system().toString(local, QLocale::ShortFormat));
    // Bytes up to 1023, whole KB, MB with one decimal in the locale's notation.
    QCOMPARE(KelmarTreeModel::sizeText(1023), QStringLiteral("1023 bytes"));
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
    QCOMPARE(documentIconPath(QStringLiteral("archive.tar.gz")), icons + "doc_zip.png");
    QCOMPARE(documentIconPath(QStringLiteral("Makefile")), icons + "doc_other.png");
    QCOMPARE(documentIconPath(QStringLiteral(".xml")), icons + "doc_code.png");
    QCOMPARE(folderIconPath(QStringLiteral("mail")), icons + "folderMail.gif");
    QCOMPARE(folderIconPath(QStringLiteral("Mail")), icons + "folderClassic.gif");

    // Collapsing keeps the rows; each expansion asks again, abandons the load before it, and a model that
    // goes takes its loads with it.
    KelmarTreeView view;
    view.setModel(model.get());
    view.setExpanded(alpha, true);
    QVERIFY(remoteTestLoaded(*model));
    view.collapse(alpha);
    QCOMPARE(model->rowCount(alpha), 5);

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
    QVERIFY(remoteTestExpanded(*model, alpha));
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

QStringList TestKelmarTreeModel::requestTargets() const
{
    QStringList targets;
    for (const RecordedRequest& request : m_service->server().requests())
        targets.append(QString::fromStdString(request.method + ' ' + request.target));
    return targets;
}

QMimeData* TestKelmarTreeModel::localFiles(const QStringList& names)
{
    QList<QUrl> urls;
    for (const QString& name : names) {
        QDir(m_dir.path()).mkpath(QFileInfo(name).path());
        QFile file(m_dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write a test file");
        file.write("local bytes");
        urls.append(QUrl::fromLocalFile(m_dir.filePath(name.section(QLatin1Char('/'), 0, 0))));
    }
    m_data = std::make_unique<QMimeData>();
    m_data->setUrls(urls);
    return m_data.get();
}

void TestKelmarTreeModel::payloadHoldsOneEntryPerDraggedRowAndOnlyLocalFilesAreDropped()
{
    makeDropTree();
    const QModelIndex sub = m_model->index(0, 0, docs());
    const QModelIndex plan = m_model->index(1, 0, docs());
    const QModelIndexList dragged { sub, sub.siblingAtColumn(1), sub.siblingAtColumn(2), plan,
        plan.siblingAtColumn(1), plan.siblingAtColumn(2), m_model->index(0, 0) };
    const std::unique_ptr<QMimeData> data(m_model->mimeData(dragged));
    QCOMPARE(data->formats(), QStringList { QStringLiteral("application/vnd.text.list") });
    // Each record followed by where it lies, as the download list reads them.
    QCOMPARE(DragPayload::read(data->data(QStringLiteral("application/vnd.text.list"))),
        (QStringList {
            "{\"ObjectType\":\"Folder\",\"ID\":11,\"Name\":\"Plans \\\"A\\\"} \\\\x\",\"Path\":\"Docs/Plans "
            "\\\"A\\\"} \\\\x\",\"Type\":\"documents\",\"ParentID\":10,\"ProjectID\":1,\"URL\":\"\","
            "\"NrChildren\":0,\"NrItems\":0}Site/Docs",
            "{\"ObjectType\":\"Document\",\"ID\":40,\"Name\":\"plan.pdf\",\"NrRevisions\":1,\"FolderID\":10,"
            "\"Description\":\"\",\"AuthorID\":5,\"Uploaded\":\"\",\"RevisionNr\":1,\"RevisionID\":0,"
            "\"Size\":12,\"StatusID\":0,\"ConversionStatus\":0,\"NrViews\":0,\"CheckedOutByID\":0,"
            "\"CheckedOutOn\":\"\"}{\"ProjectID\":1,\"KelmarPath\":\"Site\"}",
            "{\"ObjectType\":\"Project\",\"ID\":1,\"Name\":\"Site\",\"Address\":\"\",\"City\":\"\",\"Zip\":"
            "\"\","
            "\"CountryID\":0,\"Details\":\"\",\"Timezone\":\"\",\"AdminRoleID\":0,\"CreatedByID\":0,"
            "\"IsLocked\":false,\"IsActive\":false,\"IsFree\":false}" }));

    // Remote rows are not dropped back; local files are. The heading names the target; the project's
    // statuses are asked for before the dialog opens.
    QCOMPARE(m_model->mimeTypes(), QStringList { QStringLiteral("text/uri-list") });
    QMimeData* files = localFiles({ QStringLiteral("a.txt"), QStringLiteral("b.txt") });
    QVERIFY(m_model->canDropMimeData(files, Qt::CopyAction, -1, -1, docs()));
    QVERIFY(!m_model->dropMimeData(files, Qt::CopyAction, -1, -1, QModelIndex()));

    QVERIFY(!m_model->canDropMimeData(data.get(), Qt::CopyAction, -1, -1, docs()));
    QVERIFY(!m_model->dropMimeData(data.get(), Qt::CopyAction, -1, -1, docs()));
    QCOMPARE(m_dialogs, 0);
    QVERIFY(m_service->server().requests().empty());

    QVERIFY(m_model->dropMimeData(files, Qt::CopyAction, -1, -1, m_model->index(0, 0, docs())));
    QVERIFY(settled());
    QCOMPARE(m_heading, "0 folders, 2 files upload to Site/Docs/" + dragDropOddName);
    QCOMPARE(m_status, QStringLiteral("Draft"));

    // A project without statuses still opens the dialog; its row is reloaded though nothing was uploaded.
    m_service->server().on("GET", "/rest/DocumentStatus", TestReply::text(200, "[]"));
    m_service->server().clearRequests();
    QVERIFY(m_model->dropMimeData(
        localFiles({ QStringLiteral("box/inner.txt") }), Qt::CopyAction, -1, -1, m_model->index(0, 1)));
    QVERIFY(settled());
    QCOMPARE(m_heading, QStringLiteral("1 folders, 1 files upload to Site"));
    QCOMPARE(m_dialogs, 2);
    QCOMPARE(m_status, QString());
    // The dialog's plan may have asked about the target before the dialog closed.
    QCOMPARE(requestTargets().last(), QStringLiteral("GET /rest/Folders?p=1&parent=0&a=tree"));
    QVERIFY(requestTargets().filter(QStringLiteral("POST ")).isEmpty());

    // A failed status request shows its box and opens no dialog.
    for (const auto& [reply, box] : { std::pair { TestReply::text(500, "nope"),
                                          "An error occured while retreiving the project statuses. Response "
                                          "code: 500, response: nope" },
             { S::dropped(), "Unable to connect to server" } }) {
        m_service->server().on("GET", "/rest/DocumentStatus", reply);
        m_service->server().clearRequests();
        QVERIFY(
            m_model->dropMimeData(localFiles({ QStringLiteral("a.txt") }), Qt::CopyAction, -1, -1, docs()));
        QVERIFY(settled());
        QCOMPARE(m_boxes->texts().last(), QString::fromLatin1(box));
        QCOMPARE(requestTargets(), QStringList { QStringLiteral("GET /rest/DocumentStatus?p=1") });
    }
    QCOMPARE(m_boxes->texts().size(), 2);

    // Dropped on a document, the files go into its folder, which is reloaded after the upload.
    QVERIFY(remoteTestExpanded(*m_model, docs()));
    m_service->server().on(
        "GET", "/rest/DocumentStatus", TestReply::text(200, R"([{"ID":7,"Name":"Draft"}])"));
    UploadDialog::setExecHook([this](UploadDialog& dialog) {
        ++m_dialogs;
        auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
        start->click();
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 20000);
        auto* view = dialog.findChild<QTableView*>();
        QCOMPARE(view->model()->index(0, 4).data(Qt::ToolTipRole).toString(),
            QStringLiteral("Document uploaded successfully"));
        QVERIFY(requestTargets().contains(
            QStringLiteral("POST /rest/Documents?f=10&Name=note.txt&Description=&StatusID=7")));
        m_service->setDocuments(10,
            S::list(dragDropDocument, std::string(R"({"ObjectType":"Document","ID":41,"Name":"note.txt"})")));
        m_service->server().clearRequests();
        start->click();
    });
    QVERIFY(m_model->dropMimeData(
        localFiles({ QStringLiteral("note.txt") }), Qt::CopyAction, -1, -1, m_model->index(1, 2, docs())));
    QVERIFY(settled());
    QCOMPARE(m_dialogs, 3); // none for the failed status requests
    QCOMPARE(requestTargets(),
        (QStringList { QStringLiteral("GET /rest/Folders?p=1&parent=10&a=tree"),
            QStringLiteral("GET /rest/Documents?f=10") }));
    QCOMPARE(m_model->rowCount(docs()), 3);
    QCOMPARE(m_model->index(2, 0, docs()).data().toString(), QStringLiteral("note.txt"));
}

// The walk below dropped remote rows runs on the session's thread while the window stays usable: Cancel
// ends the wait at once, and a window that goes takes the walk with it; no download dialog opens for
// either.
void TestKelmarTreeModel::downloadWalkRunsInTheBackgroundUntilCanceledOrTheWindowGoes()
{
    makeDropTree();
    TestReply slow = TestReply::text(200, S::list(S::folder(12, "Plans", "documents", 1)));
    slow.delay = std::chrono::milliseconds(1000);
    m_service->setFault("/rest/Folders", slow);
    LineRecorder lines;
    DownloadDialog::setRunner([this](DownloadDialog&) { return ++m_dialogs, int(QDialog::Rejected); });
    const QStringList project { QString::fromStdString(S::project(1, "Site")) };

    m_controller->downloadRequested(project, m_dir.path());
    DownloadListingDialog* listing = nullptr;
    QTRY_VERIFY((listing = m_window->findChild<DownloadListingDialog*>()) && listing->isVisible());
    QTRY_COMPARE(
        listing->findChild<QLabel*>()->text(), QStringLiteral("Listing Site/Plans: 2 folders, 0 documents"));
    QTest::mouseClick(listing->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    QVERIFY(!m_controller->isBusy());
    // The session answers in order: once a later job is through, the walk has ended.
    m_service->clearFault("/rest/Folders");
    bool later = false;
    m_session->run(
        m_controller, [](Rest& rest, const JobControl&) { rest.getDocuments(1); }, [&later] { later = true; },
        [](std::exception_ptr) {});
    QTRY_VERIFY(later);

    m_service->setFault("/rest/Folders", slow);
    m_controller->downloadRequested(project, m_dir.path());
    QTRY_VERIFY(!m_service->server().requests("/rest/Folders").empty());
    m_window.reset();
    m_model.reset();
    m_session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
    QCoreApplication::processEvents();
    QCOMPARE(m_dialogs, 0);
    QVERIFY(m_boxes->texts().isEmpty());
    QVERIFY(!lines.contains(QStringLiteral("Connection error while retreiving the subfolders of a folder")));
}

QTEST_MAIN(TestKelmarTreeModel)
#include "tst_kelmartreemodel.moc"

#include "model/restfolder.h"
#include "model/restproject.h"
#include "remote/kelmartreemodel.h"
#include "remote/kelmartreeview.h"
#include "remote/remotetreeitem.h"
#include "rest/rest.h"
#include "support/fakeservice.h"
#include "support/recorders.h"

#include <QAbstractItemModelTester>
#include <QIcon>
#include <QImage>
#include <QtTest>

#include <memory>

namespace {
const QString remoteTestNoProjects
    = QStringLiteral("There are no accessible projects to display, contact your administrator.");
const QString remoteTestPremiumOnly = QStringLiteral(
    "The current version of Torvex Transfer only supports Torvex Premium projects.\nTorvex Free support is "
    "comming soon.");

QStringList remoteTestNames(const QAbstractItemModel& model, const QModelIndex& parent = QModelIndex())
{
    QStringList names;
    for (int row = 0; row < model.rowCount(parent); ++row)
        names.append(model.index(row, 0, parent).data().toString());
    return names;
}

bool remoteTestIconIs(const QVariant& decoration, const QString& path)
{
    const QIcon icon = decoration.value<QIcon>();
    return !icon.isNull() && icon.pixmap(16).toImage() == QIcon(path).pixmap(16).toImage();
}

} // namespace

class TestKelmarTreeModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void projectListDecidesRowsAndLoadError_data();
    void projectListDecidesRowsAndLoadError();
    void projectLoadFailureLeavesAUsableEmptyModel_data();
    void projectLoadFailureLeavesAUsableEmptyModel();
    void expandersFollowTheServerCounts();
    void folderShowsSubfoldersThenDocumentsWithoutSeparators();
    void everyExpansionAsksTheServerAgain();
    void expansionFailuresAreReportedAndTheModelStaysUsable_data();
    void expansionFailuresAreReportedAndTheModelStaysUsable();
    void sizeTextSteps_data();
    void sizeTextSteps();
    void columnsShowIconsSizesLocalDatesAndHeaders();
    void rowsAreDragSourcesAndDropTargets();
    void expandingARowInTheViewLoadsIt();

private:
    std::unique_ptr<KelmarTreeModel> makeModel();

    std::unique_ptr<FakeService> m_service;
    std::unique_ptr<Rest> m_session;
    std::unique_ptr<QAbstractItemModelTester> m_tester;
    std::unique_ptr<LineRecorder> m_lines;
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
    m_session = std::make_unique<Rest>(m_service->baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));
    m_lines = std::make_unique<LineRecorder>();
    m_boxes = std::make_unique<BoxRecorder>();
}

void TestKelmarTreeModel::cleanup()
{
    m_tester.reset();
    m_boxes.reset();
    m_lines.reset();
    m_session.reset();
    m_service.reset();
}

std::unique_ptr<KelmarTreeModel> TestKelmarTreeModel::makeModel()
{
    auto model = std::make_unique<KelmarTreeModel>(m_session.get());
    m_tester = std::make_unique<QAbstractItemModelTester>(
        model.get(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    return model;
}

void TestKelmarTreeModel::projectListDecidesRowsAndLoadError_data()
{
    QTest::addColumn<QString>("projects");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("loadError");
    using S = FakeService;
    QTest::newRow("none") << QString::fromStdString(S::list()) << QStringList() << remoteTestNoProjects;
    QTest::newRow("one free") << QString::fromStdString(S::list(S::project(1, "Free", true))) << QStringList()
                              << remoteTestPremiumOnly;
    QTest::newRow("one premium") << QString::fromStdString(S::list(S::project(1, "Alpha")))
                                 << QStringList { "Alpha" } << QString();
    QTest::newRow("free one hidden") << QString::fromStdString(
        S::list(S::project(1, "Free", true), S::project(2, "Beta"), S::project(3, "Gamma")))
                                     << QStringList { "Beta", "Gamma" } << QString();
    QTest::newRow("all free") << QString::fromStdString(
        S::list(S::project(1, "A", true), S::project(2, "B", true)))
                              << QStringList() << QString();
}

void TestKelmarTreeModel::projectListDecidesRowsAndLoadError()
{
    QFETCH(QString, projects);
    QFETCH(QStringList, rows);
    QFETCH(QString, loadError);
    m_service->setProjects("demo", projects.toStdString());
    const auto model = makeModel();
    QCOMPARE(remoteTestNames(*model), rows);
    QCOMPARE(model->loadError(), loadError);
    QVERIFY(model->hasChildren(QModelIndex()));
    QVERIFY(m_boxes->texts().isEmpty());
}

void TestKelmarTreeModel::projectLoadFailureLeavesAUsableEmptyModel_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("network");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("box");
    QTest::newRow("network") << "/rest/Projects" << true
                             << "Network connection error while retreiving the projects"
                             << "Unable to connect to server";
    QTest::newRow("refused")
        << "/rest/Projects" << false
        << "Rest exception occured while retreiving the projects. Response code: 503, "
           "response: busy"
        << "An error occured while retreiving the projects. Response code: 503, response: busy";
    QTest::newRow("folder count refused")
        << "/rest/Folders" << false
        << "Rest exception occured while retreiving the projects. Response code: 503, response: busy"
        << "An error occured while retreiving the projects. Response code: 503, response: busy";
}

void TestKelmarTreeModel::projectLoadFailureLeavesAUsableEmptyModel()
{
    QFETCH(QString, path);
    QFETCH(bool, network);
    QFETCH(QString, line);
    QFETCH(QString, box);
    m_service->setProjects("demo", FakeService::list(FakeService::project(1, "Alpha")));
    m_service->setFault(path.toStdString(), network ? FakeService::dropped() : TestReply::text(503, "busy"));
    const auto model = makeModel();
    QCOMPARE(model->rowCount(), 0);
    QCOMPARE(model->loadError(), QString());
    QVERIFY2(m_lines->contains(line), qPrintable(m_lines->lines().join(u'\n')));
    QCOMPARE(m_boxes->texts(), QStringList { box });
    model->expand(QModelIndex());
    QCOMPARE(model->rowCount(), 0);
}

void TestKelmarTreeModel::expandersFollowTheServerCounts()
{
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha"), S::project(2, "Empty")));
    m_service->setFolders(1, 0,
        S::list(S::folder(10, "Binder", "binder", 1, 0, 5), S::folder(11, "Docs", "documents", 1, 0, 5),
            S::folder(12, "Mail", "mail", 1, 2, 0), S::folder(13, "Bare", "documents", 1, 0, 0)));
    const auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    const QModelIndex empty = model->index(1, 0);
    QVERIFY(model->hasChildren(alpha));
    QVERIFY(!model->hasChildren(empty));

    model->expand(empty);
    QCOMPARE(model->rowCount(empty), 0);
    QVERIFY(!model->hasChildren(empty));

    model->expand(alpha);
    QCOMPARE(remoteTestNames(*model, alpha), (QStringList { "Binder", "Docs", "Mail", "Bare" }));
    QVERIFY(!model->hasChildren(model->index(0, 0, alpha))); // items of a binder are never shown
    QVERIFY(model->hasChildren(model->index(1, 0, alpha)));
    QVERIFY(model->hasChildren(model->index(2, 0, alpha)));
    QVERIFY(!model->hasChildren(model->index(3, 0, alpha)));
}

void TestKelmarTreeModel::folderShowsSubfoldersThenDocumentsWithoutSeparators()
{
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha")));
    m_service->setFolders(1, 0, S::list(S::folder(10, "Plans", "documents", 1, 3, 3)));
    m_service->setFolders(1, 10,
        S::list(S::folder(20, "Site", "documents", 1, 0, 0, 10), S::folder(21, "(separator)", "", 1),
            S::folder(22, "Archive", "binder", 1, 0, 0, 10)));
    m_service->setDocuments(
        10, S::list(S::document(30, "b.pdf", 1), S::document(31, "a.dwg", 2), S::document(32, "c.txt", 3)));
    const auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    model->expand(alpha);
    QCOMPARE(model->rowCount(alpha), 1);
    const QModelIndex plans = model->index(0, 0, alpha);
    model->expand(plans);
    QCOMPARE(remoteTestNames(*model, plans), (QStringList { "Site", "Archive", "b.pdf", "a.dwg", "c.txt" }));
    QCOMPARE(model->parent(model->index(4, 2, plans)), plans);
    QCOMPARE(m_service->server().requests("/rest/Folders").back().target,
        std::string("/rest/Folders?p=1&parent=10&a=tree"));
    QCOMPARE(
        m_service->server().requests("/rest/Documents").back().target, std::string("/rest/Documents?f=10"));
    QVERIFY(m_boxes->texts().isEmpty());
}

void TestKelmarTreeModel::everyExpansionAsksTheServerAgain()
{
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha")));
    m_service->setFolders(
        1, 0, S::list(S::folder(10, "Old", "binder", 1), S::folder(11, "Older", "binder", 1)));
    const auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    model->expand(alpha);
    QCOMPARE(remoteTestNames(*model, alpha), (QStringList { "Old", "Older" }));

    m_service->setFolders(1, 0, S::list(S::folder(12, "New", "binder", 1)));
    m_service->server().clearRequests();
    model->expand(alpha);
    QCOMPARE(remoteTestNames(*model, alpha), QStringList { "New" });
    QCOMPARE(m_service->server().requests("/rest/Folders").size(), std::size_t(1));

    // A reload that inserts nothing takes the expander away.
    m_service->setFolders(1, 0, S::list(S::folder(13, "(separator)", "", 1)));
    model->expand(alpha);
    QCOMPARE(model->rowCount(alpha), 0);
    QVERIFY(!model->hasChildren(alpha));
}

void TestKelmarTreeModel::expansionFailuresAreReportedAndTheModelStaysUsable_data()
{
    QTest::addColumn<QString>("failingPath");
    QTest::addColumn<bool>("network");
    QTest::addColumn<bool>("expandFolder");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("counts");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("box");
    const QString refusedDetail = QStringLiteral(". Response code: 500, response: {\"Error\":\"boom\"}");
    const QStringList documentsOnly { "x.pdf" };
    const QStringList subfoldersOnly { "Sub" };
    // counts: a project's child count, or a folder's nrChildren and nrItems, after the failed expansion.
    QTest::newRow("project folders, network")
        << "/rest/Folders" << true << false << QStringList() << QList<int> { 1 }
        << "Network connection error while retreiving the project folders"
        << "Unable to connect to server";
    QTest::newRow("project folders, refused")
        << "/rest/Folders" << false << false << QStringList() << QList<int> { 1 }
        << "Rest exception occured while retreiving the project folders" + refusedDetail
        << "An error occured while retreiving the project folders" + refusedDetail;
    QTest::newRow("subfolders, network")
        << "/rest/Folders" << true << true << documentsOnly << QList<int> { 7, 1 }
        << "Network connection error while retreiving the subfolders"
        << "Unable to connect to server";
    QTest::newRow("subfolders, refused")
        << "/rest/Folders" << false << true << documentsOnly << QList<int> { 7, 1 }
        << "Rest exception occured while retreiving the subfolders" + refusedDetail
        << "An error occured while retreiving the subfolders" + refusedDetail;
    QTest::newRow("documents, network")
        << "/rest/Documents" << true << true << subfoldersOnly << QList<int> { 1, 9 }
        << "Network connection error while retreiving the documents"
        << "Unable to connect to server";
    QTest::newRow("documents, refused")
        << "/rest/Documents" << false << true << subfoldersOnly << QList<int> { 1, 9 }
        << "Rest exception occured while retreiving the documents" + refusedDetail
        << "An error occured while retreiving the documents" + refusedDetail;
}

void TestKelmarTreeModel::expansionFailuresAreReportedAndTheModelStaysUsable()
{
    QFETCH(QString, failingPath);
    QFETCH(bool, network);
    QFETCH(bool, expandFolder);
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, counts);
    QFETCH(QString, line);
    QFETCH(QString, box);
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha")));
    m_service->setFolders(1, 0, S::list(S::folder(10, "Plans", "documents", 1, 7, 9)));
    m_service->setFolders(1, 10, S::list(S::folder(20, "Sub", "binder", 1, 0, 0, 10)));
    m_service->setDocuments(10, S::list(S::document(30, "x.pdf", 1)));
    const auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    QModelIndex target = alpha;
    if (expandFolder) {
        model->expand(alpha);
        target = model->index(0, 0, alpha);
    }
    m_lines->clear();

    m_service->setFault(
        failingPath.toStdString(), network ? S::dropped() : TestReply::text(500, R"({"Error":"boom"})"));
    model->expand(target);
    QCOMPARE(remoteTestNames(*model, target), rows);
    QVERIFY2(m_lines->contains(line), qPrintable(m_lines->lines().join(u'\n')));
    QCOMPARE(m_boxes->texts(), QStringList { box });
    const RestObject* record = static_cast<RemoteTreeItem*>(target.internalPointer())->data();
    if (expandFolder) {
        const auto* folder = dynamic_cast<const RestFolder*>(record);
        QVERIFY(folder);
        QCOMPARE((QList<int> { folder->nrChildren(), folder->nrItems() }), counts);
    } else {
        QCOMPARE(QList<int> { record->childCount() }, counts);
    }
    QVERIFY(model->hasChildren(target));

    m_service->clearFault(failingPath.toStdString());
    model->expand(target);
    QCOMPARE(model->rowCount(target), expandFolder ? 2 : 1);
    QCOMPARE(m_boxes->texts().size(), 1);
}

void TestKelmarTreeModel::sizeTextSteps_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    const auto row = [](const char* name, qint64 size, const char* locale, const char* text) {
        QTest::newRow(name) << size << QString::fromLatin1(locale) << QString::fromLatin1(text);
    };
    row("negative", -5, "C", "-5 bytes");
    row("last byte count", 1023, "C", "1023 bytes");
    row("KB rounded down", 1536, "C", "1 KB");
    row("last KB count", 1048575, "C", "1023 KB");
    row("one MB", 1048576, "C", "1.0 MB");
    row("MB with a decimal", 1572864, "C", "1.5 MB");
    row("one GB", 1073741824, "C", "1.00 GB");
    row("over 4 GiB", Q_INT64_C(5368709120), "C", "5.00 GB");
    row("locale decimal comma", 1572864, "de_DE", "1,5 MB");
}

void TestKelmarTreeModel::sizeTextSteps()
{
    QFETCH(qint64, size);
    QFETCH(QString, locale);
    QFETCH(QString, text);
    const QLocale previous;
    QLocale::setDefault(QLocale(locale));
    const QString shown = KelmarTreeModel::sizeText(size);
    QLocale::setDefault(previous);
    QCOMPARE(shown, text);
}

void TestKelmarTreeModel::columnsShowIconsSizesLocalDatesAndHeaders()
{
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha")));
    m_service->setFolders(
        1, 0, S::list(S::folder(10, "Mail", "mail", 1), S::folder(11, "Plans", "documents", 1, 0, 1)));
    m_service->setDocuments(11, S::list(S::document(30, "Model.DWG", 5368709120LL, "2024-01-15T10:30:00Z")));
    const QLocale previous;
    QLocale::setDefault(QLocale::c());
    const auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    model->expand(alpha);
    const QModelIndex plans = model->index(1, 0, alpha);
    model->expand(plans);
    const QModelIndex document = model->index(0, 0, plans);

    QVERIFY(remoteTestIconIs(alpha.data(Qt::DecorationRole), QStringLiteral(":/images/icons/project.gif")));
    QVERIFY(remoteTestIconIs(
        model->index(0, 0, alpha).data(Qt::DecorationRole), QStringLiteral(":/images/icons/folderMail.gif")));
    QVERIFY(remoteTestIconIs(
        plans.data(Qt::DecorationRole), QStringLiteral(":/images/icons/folderDocuments.gif")));
    QVERIFY(
        remoteTestIconIs(document.data(Qt::DecorationRole), QStringLiteral(":/images/icons/doc_dwg.png")));
    QVERIFY(!document.siblingAtColumn(1).data(Qt::DecorationRole).isValid());

    QCOMPARE(document.siblingAtColumn(1).data().toString(), QStringLiteral("5.00 GB"));
    const QDateTime local(QDate(2024, 1, 15), QTime(12, 30));
    QCOMPARE(document.siblingAtColumn(2).data().toString(),
        QLocale::system().toString(local, QLocale::ShortFormat));
    for (const QModelIndex& container : { alpha, plans }) {
        QCOMPARE(container.siblingAtColumn(1).data(), QVariant(QString()));
        QCOMPARE(container.siblingAtColumn(2).data(), QVariant(QString()));
    }
    QCOMPARE(document.data(Qt::SizeHintRole).toSize(), QSize(0, 20));
    QLocale::setDefault(previous);

    const QStringList headers { model->headerData(0, Qt::Horizontal).toString(),
        model->headerData(1, Qt::Horizontal).toString(), model->headerData(2, Qt::Horizontal).toString() };
    QCOMPARE(headers, (QStringList { "Name", "Size", "Date Uploaded" }));
    QVERIFY(!model->headerData(3, Qt::Horizontal).isValid());
    QVERIFY(!model->headerData(0, Qt::Vertical).isValid());
}

void TestKelmarTreeModel::rowsAreDragSourcesAndDropTargets()
{
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha")));
    const auto model = makeModel();
    const QModelIndex alpha = model->index(0, 0);
    QCOMPARE(model->flags(QModelIndex()), Qt::ItemFlags(Qt::ItemIsDropEnabled));
    for (const QModelIndex& index : { alpha, alpha.siblingAtColumn(2) }) {
        QVERIFY(model->flags(index).testFlag(Qt::ItemIsDropEnabled));
        QVERIFY(model->flags(index).testFlag(Qt::ItemIsDragEnabled));
    }
    QCOMPARE(model->supportedDropActions(), Qt::DropActions(Qt::CopyAction));
}

void TestKelmarTreeModel::expandingARowInTheViewLoadsIt()
{
    using S = FakeService;
    m_service->setProjects("demo", S::list(S::project(1, "Alpha")));
    m_service->setFolders(1, 0, S::list(S::folder(10, "Plans", "documents", 1)));
    const auto model = makeModel();
    KelmarTreeView view;
    view.setModel(model.get());
    const QModelIndex alpha = model->index(0, 0);
    m_service->server().clearRequests();
    view.setExpanded(alpha, true);
    QCOMPARE(remoteTestNames(*model, alpha), QStringList { "Plans" });
    view.collapse(alpha);
    QCOMPARE(model->rowCount(alpha), 1);
    view.setExpanded(alpha, true);
    QCOMPARE(m_service->server().requests("/rest/Folders").size(), std::size_t(2));
}

QTEST_MAIN(TestKelmarTreeModel)
#include "tst_kelmartreemodel.moc"

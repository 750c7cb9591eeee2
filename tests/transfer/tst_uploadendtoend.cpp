#include "app/transfercontroller.h"
#include "model/jsonparser.h"
#include "remote/kelmartreemodel.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "server/demotestserver.h"
#include "support/testserver.h"
#include "transfer/uploaddialog.h"

#include <QBuffer>
#include <QMimeData>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <optional>

namespace {
// Bytes that differ from one seed to another and do not repeat in any short period.
QByteArray endToEndBytes(qint64 size, unsigned seed)
{
    return TestServer::patternBytes(std::uint64_t(seed) * 7919u, static_cast<std::size_t>(size));
}

// A copy: the lists come straight from the session and do not outlive the call.
template<typename Record>
std::optional<Record> endToEndNamed(const QList<Record>& records, const QString& name)
{
    for (const Record& record : records) {
        if (record.name() == name)
            return record;
    }
    return std::nullopt;
}

QModelIndex endToEndRow(const QAbstractItemModel& model, const QModelIndex& parent, const QString& name)
{
    for (int row = 0; row < model.rowCount(parent); ++row) {
        if (model.index(row, 0, parent).data().toString() == name)
            return model.index(row, 0, parent);
    }
    return QModelIndex();
}
} // namespace

// A folder tree dropped on a folder of the demo server, from the remote tree through the upload dialog
// to the server's store, several files at once.
class TestUploadEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void droppedTreeArrivesWhole();

private:
    void write(const QString& relativePath, const QByteArray& bytes);
    // The newest revision of the named document in the folder; empty when there is none.
    QByteArray download(int folderId, const QString& name);

    QTemporaryDir m_local;
    std::unique_ptr<Rest> m_rest;
    std::unique_ptr<SessionRunner> m_session;
    std::unique_ptr<KelmarTreeModel> m_model;
    std::unique_ptr<QWidget> m_window;
    TransferController* m_transfers = nullptr;
};

void TestUploadEndToEnd::write(const QString& relativePath, const QByteArray& bytes)
{
    QDir(m_local.path()).mkpath(QFileInfo(relativePath).path());
    QFile file(m_local.filePath(relativePath));
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestUploadEndToEnd::download(int folderId, const QString& name)
{
    const std::optional<RestDocument> document = endToEndNamed(m_rest->getDocuments(folderId), name);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    if (document)
        m_rest->downloadDocument(folderId, document->id(), buffer);
    return buffer.data();
}

void TestUploadEndToEnd::droppedTreeArrivesWhole()
{
    DemoTestServer server;
    QVERIFY(server.start());
    m_rest = std::make_unique<Rest>(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));

    // A fresh folder at the top of the first project receives the drop.
    const RestProject project = m_rest->getProjects().value(0);
    const RestFolder target
        = m_rest->createDirectory(JSONParser::createDirectoryJson(QStringLiteral("Received"),
                                      QStringLiteral("documents"), 0, 0, QString()),
            project.id());
    m_session = std::make_unique<SessionRunner>(
        std::make_unique<Rest>(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo")));
    m_model = std::make_unique<KelmarTreeModel>(m_session.get());
    m_window = std::make_unique<QWidget>();
    m_transfers = new TransferController(m_window.get());
    m_transfers->setSession(m_session.get());
    m_transfers->setRemoteModel(m_model.get());
    connect(
        m_model.get(), &KelmarTreeModel::uploadRequested, m_transfers, &TransferController::uploadRequested);
    QVERIFY(QTest::qWaitFor([this] { return !m_model->isLoading(); }, 20000));
    const QModelIndex projectRow = endToEndRow(*m_model, QModelIndex(), project.name());
    m_model->expand(projectRow);
    QVERIFY(QTest::qWaitFor([this] { return !m_model->isLoading(); }, 20000));
    const QModelIndex targetRow = endToEndRow(*m_model, projectRow, QStringLiteral("Received"));
    QVERIFY(targetRow.isValid());

    const QByteArray big = endToEndBytes(8 * 1024 * 1024, 1);
    write(QStringLiteral("Site/big.bin"), big);
    write(QStringLiteral("Site/readme.txt"), "first words");
    write(QStringLiteral("Site/Phase 1/a.txt"), endToEndBytes(4096, 2));
    QVERIFY(QDir(m_local.path()).mkpath(QStringLiteral("Site/Empty")));

    // Dropped on the row; Start, then Close, as the user would.
    QStringList outcomes;
    UploadDialog::setExecHook([&outcomes](UploadDialog& dialog) {
        auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
        start->click();
        QTRY_COMPARE_WITH_TIMEOUT(start->text(), QStringLiteral("Close"), 120000);
        const QAbstractItemModel* rows = dialog.findChild<QTableView*>()->model();
        for (int row = 0; row < rows->rowCount(); ++row)
            outcomes << rows->index(row, 0).data().toString() + ": " + rows->index(row, 4).data().toString();
        start->click();
    });
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(m_local.filePath(QStringLiteral("Site"))) });
    QVERIFY(m_model->dropMimeData(&data, Qt::CopyAction, -1, -1, targetRow));
    QVERIFY(QTest::qWaitFor([this] { return !m_transfers->isBusy() && !m_model->isLoading(); }, 120000));
    UploadDialog::setExecHook(nullptr);
    outcomes.sort();
    QCOMPARE(outcomes,
        (QStringList { "Empty: Successful", "Phase 1: Successful", "Site: Successful",
            "a.txt: Document uploaded successfully", "big.bin: Document uploaded successfully",
            "readme.txt: Document uploaded successfully" }));

    // What the server holds, folder by folder and byte for byte.
    const std::optional<RestFolder> site
        = endToEndNamed(m_rest->getChildFolders(project.id(), target.id()), QStringLiteral("Site"));
    QVERIFY(site);
    const QList<RestFolder> siteFolders = m_rest->getChildFolders(project.id(), site->id());
    QVERIFY(endToEndNamed(siteFolders, QStringLiteral("Empty")));
    const std::optional<RestFolder> phase = endToEndNamed(siteFolders, QStringLiteral("Phase 1"));
    QVERIFY(phase);
    QCOMPARE(m_rest->getDocuments(site->id()).size(), 2);
    QVERIFY(download(site->id(), QStringLiteral("big.bin")) == big);
    QCOMPARE(download(phase->id(), QStringLiteral("a.txt")), endToEndBytes(4096, 2));

    m_window.reset();
    m_model.reset();
    m_session.reset();
    m_rest.reset();
    QVERIFY(JobQueue::waitForAll(10000));
}

QTEST_MAIN(TestUploadEndToEnd)
#include "tst_uploadendtoend.moc"

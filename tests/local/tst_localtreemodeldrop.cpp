#include "local/localtreemodel.h"
#include "model/jsonparser.h"
#include "rest/rest.h"
#include "support/recorders.h"
#include "support/testserver.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadmodel.h"

#include <QDataStream>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString localDropFormat = QStringLiteral("application/vnd.text.list");

std::unique_ptr<QMimeData> localDropPayload(
    const QStringList& entries, const QString& format = localDropFormat)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    for (const QString& entry : entries)
        stream << entry;
    auto data = std::make_unique<QMimeData>();
    data->setData(format, payload);
    return data;
}

QString localDropDocumentEntry(int id, const QString& name)
{
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setId(id);
    document.setName(name);
    document.setFolderId(10);
    return document.toJson() + JSONParser::dragItemJson(1, QStringLiteral("Bridge/Plans"));
}
} // namespace

class TestLocalTreeModelDrop : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void dropsThatAreNotRemoteRowsOnAnItemAreRefused();
    void dropOnAFolderListsIntoIt();
    void dropOnAFileDownloadsIntoItsFolder();

private:
    std::unique_ptr<TestServer> m_server;
    std::unique_ptr<Rest> m_rest;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalTreeModel> m_model;
    int m_dialogs = 0;
    QString m_summary;
    QSize m_minimumSize;
};

void TestLocalTreeModelDrop::init()
{
    m_server = std::make_unique<TestServer>();
    m_server->on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server->on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    m_server->on("GET", "/rest/DocumentStatus", TestReply::text(200, "[]"));
    m_server->on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanDownload":true})"));
    m_server->on("GET", "/protected/Document.download", TestReply::text(200, "downloaded"));
    m_rest = std::make_unique<Rest>(m_server->baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Drawings")));
    QFile file(m_dir->filePath(QStringLiteral("Drawings/notes.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    m_model = std::make_unique<LocalTreeModel>(m_rest.get());
    m_model->setRootPath(QString());
    m_dialogs = 0;
    DownloadDialog::setRunner([this](DownloadDialog& dialog) {
        ++m_dialogs;
        m_summary = dialog.findChild<QLabel*>(QStringLiteral("summaryLabel"))->text();
        m_minimumSize = dialog.minimumSize();
        return int(QDialog::Rejected);
    });
}

void TestLocalTreeModelDrop::cleanup()
{
    DownloadDialog::setRunner(nullptr);
    m_model.reset();
    m_rest.reset();
    m_server.reset();
    m_dir.reset();
}

void TestLocalTreeModelDrop::dropsThatAreNotRemoteRowsOnAnItemAreRefused()
{
    const QModelIndex folder = m_model->index(m_dir->filePath(QStringLiteral("Drawings")));
    const auto remote = localDropPayload({ localDropDocumentEntry(1, "a.txt") });
    const auto other = localDropPayload({ localDropDocumentEntry(1, "a.txt") }, QStringLiteral("text/plain"));
    QVERIFY(!m_model->dropMimeData(remote.get(), Qt::CopyAction, -1, -1, QModelIndex()));
    QVERIFY(!m_model->dropMimeData(remote.get(), Qt::MoveAction, -1, -1, folder));
    QVERIFY(!m_model->dropMimeData(other.get(), Qt::CopyAction, -1, -1, folder));
    m_model->setRest(nullptr);
    QVERIFY(!m_model->dropMimeData(remote.get(), Qt::CopyAction, -1, -1, folder));
    QCOMPARE(m_dialogs, 0);
    QCOMPARE(m_server->requests().size(), std::size_t(1));
}

void TestLocalTreeModelDrop::dropOnAFolderListsIntoIt()
{
    const QString folder = m_dir->filePath(QStringLiteral("Drawings"));
    const auto empty = localDropPayload({});
    QVERIFY(m_model->dropMimeData(empty.get(), Qt::CopyAction, -1, -1, m_model->index(folder)));
    QCOMPARE(m_dialogs, 1);
    QCOMPARE(m_summary, "0 folders, 0 files download to " + folder);
    QCOMPARE(m_minimumSize, QSize(806, 400));

    const auto two
        = localDropPayload({ localDropDocumentEntry(1, "a.txt"), localDropDocumentEntry(2, "b.txt") });
    QVERIFY(
        m_model->dropMimeData(two.get(), Qt::CopyAction, -1, -1, m_model->index(folder).siblingAtColumn(1)));
    QCOMPARE(m_summary, "0 folders, 2 files download to " + folder);
}

void TestLocalTreeModelDrop::dropOnAFileDownloadsIntoItsFolder()
{
    QStringList outcomes;
    DownloadDialog::setRunner([&outcomes](DownloadDialog& dialog) {
        auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
        start->click();
        if (!QTest::qWaitFor([start] { return start->text() == QLatin1String("Close"); }, 30000))
            return int(QDialog::Rejected);
        for (int row = 0; row < dialog.model()->rowCount(); ++row)
            outcomes << dialog.model()->index(row, 4).data(Qt::ToolTipRole).toString();
        start->click();
        return dialog.result();
    });
    const QString folder = m_dir->filePath(QStringLiteral("Drawings"));
    const auto drag = localDropPayload({ localDropDocumentEntry(1, "a.txt") });
    QVERIFY(m_model->dropMimeData(drag.get(), Qt::CopyAction, -1, -1, m_model->index(folder + "/notes.txt")));
    QCOMPARE(outcomes, QStringList { "Successful" });
    QFile file(folder + "/a.txt");
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("downloaded"));
}

QTEST_MAIN(TestLocalTreeModelDrop)
#include "tst_localtreemodeldrop.moc"

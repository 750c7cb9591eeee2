#include "local/localtreemodel.h"
#include "local/localtreemodelproxy.h"
#include "model/jsonparser.h"
#include "rest/rest.h"
#include "support/fakeservice.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadmodel.h"

#include <QDataStream>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString localTreeFormat = QStringLiteral("application/vnd.text.list");

QImage localTestImage(const QVariant& decoration)
{
    return decoration.value<QIcon>().pixmap(16).toImage();
}

void localTestTouch(const QString& path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// A drag of remote document rows from "Bridge/Plans".
std::unique_ptr<QMimeData> localTestDrag(const QStringList& names, const QString& format = localTreeFormat)
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    for (const QString& name : names) {
        RestDocument document;
        document.setObjectType(QStringLiteral("Document"));
        document.setId(int(names.indexOf(name)) + 1);
        document.setName(name);
        document.setFolderId(10);
        stream << document.toJson() + JSONParser::dragItemJson(1, QStringLiteral("Bridge/Plans"));
    }
    auto data = std::make_unique<QMimeData>();
    data->setData(format, payload);
    return data;
}
} // namespace

class TestLocalTreeModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void iconsBelowTheTopLevelComeFromTheProgram();
    void proxyShowsSizeAndDateAndSortsThemByValueNotByText();
    void remoteRowsDroppedOnAFolderOrAFileDownloadIntoTheFolderAndNothingElseIsTaken();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalTreeModel> m_model;
};

void TestLocalTreeModel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Drawings")));
    for (const char* name : { "plan.PDF", "notes.txt" })
        localTestTouch(m_dir->filePath(QLatin1String(name)));
    m_model = std::make_unique<LocalTreeModel>(nullptr);
    m_model->setRootPath(QString());
}

void TestLocalTreeModel::cleanup()
{
    DownloadDialog::setRunner(nullptr);
    m_model.reset();
    m_dir.reset();
}

// Which icon each extension gets is the icon table's business; here only that the tree uses it.
void TestLocalTreeModel::iconsBelowTheTopLevelComeFromTheProgram()
{
    for (const auto& [name, icon] :
        { std::pair { "Drawings", "folderClassic.gif" }, { "plan.PDF", "doc_pdf.png" } }) {
        const QModelIndex index = m_model->index(m_dir->filePath(QLatin1String(name)));
        QCOMPARE(localTestImage(index.data(Qt::DecorationRole)),
            QIcon(":/images/icons/" + QLatin1String(icon)).pixmap(16).toImage());
        QVERIFY(!index.siblingAtColumn(3).data(Qt::DecorationRole).isValid());
    }
    const QModelIndex top = m_model->index(QDir::rootPath());
    QVERIFY(top.isValid() && !top.parent().isValid());
    QCOMPARE(localTestImage(top.data(Qt::DecorationRole)),
        localTestImage(m_model->QFileSystemModel::data(top, Qt::DecorationRole)));
}

void TestLocalTreeModel::proxyShowsSizeAndDateAndSortsThemByValueNotByText()
{
    QDir dir(m_dir->filePath(QStringLiteral("sorted")));
    QVERIFY(dir.mkpath(QStringLiteral("folder")));
    // Sizes shown as "1.20 MiB", "20.51 KiB" and "900 bytes"; days shown as "1 Mar", "15 Oct", "9 Jun".
    const struct
    {
        const char* name;
        int size;
        QDate day;
    } entries[] = { { "a.bin", 1258291, QDate(2024, 3, 1) }, { "b.bin", 21000, QDate(2024, 10, 15) },
        { "c.bin", 900, QDate(2024, 6, 9) } };
    for (const auto& entry : entries) {
        QFile file(dir.filePath(QLatin1String(entry.name)));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(entry.size, 'x'));
        QVERIFY(file.flush());
        QVERIFY(file.setFileTime(QDateTime(entry.day, QTime(12, 0)), QFileDevice::FileModificationTime));
    }
    LocalTreeModelProxy proxy;
    proxy.setSourceModel(m_model.get());
    // Name, size and date only: the type column is hidden.
    QCOMPARE(proxy.columnCount(), 3);
    QCOMPARE(proxy.headerData(2, Qt::Horizontal), m_model->headerData(3, Qt::Horizontal));
    const QPersistentModelIndex folder = proxy.mapFromSource(m_model->index(dir.path()));
    proxy.fetchMore(folder);
    QTRY_COMPARE(proxy.rowCount(folder), 4);
    const auto names = [&proxy, &folder] {
        QStringList list;
        for (int row = 0; row < proxy.rowCount(folder); ++row)
            list << proxy.index(row, 0, folder).data().toString();
        return list;
    };

    proxy.sort(1, Qt::AscendingOrder);
    QTRY_COMPARE(names(), QStringList({ "folder", "c.bin", "b.bin", "a.bin" }));
    proxy.sort(1, Qt::DescendingOrder);
    QTRY_COMPARE(names(), QStringList({ "a.bin", "b.bin", "c.bin", "folder" }));
    // The folder was made today, after every file.
    proxy.sort(2, Qt::AscendingOrder);
    QTRY_COMPARE(names(), QStringList({ "a.bin", "c.bin", "b.bin", "folder" }));
}

// On any column of a folder's row into the folder; on a file into the file's folder.
void TestLocalTreeModel::remoteRowsDroppedOnAFolderOrAFileDownloadIntoTheFolderAndNothingElseIsTaken()
{
    const QString folder = m_dir->filePath(QStringLiteral("Drawings"));
    const QModelIndex file = m_model->index(m_dir->filePath(QStringLiteral("notes.txt")));
    QVERIFY(m_model->flags(file).testFlag(Qt::ItemIsDropEnabled));
    QStringList summaries;
    QStringList outcomes;
    DownloadDialog::setRunner([&](DownloadDialog& dialog) {
        summaries << dialog.findChild<QLabel*>(QStringLiteral("summaryLabel"))->text();
        auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
        start->click();
        if (!QTest::qWaitFor([start] { return start->text() == QLatin1String("Close"); }, 30000))
            return int(QDialog::Rejected);
        for (int row = 0; row < dialog.model()->rowCount(); ++row)
            outcomes << dialog.model()->index(row, 4).data(Qt::ToolTipRole).toString();
        start->click();
        return dialog.result();
    });

    // Local rows dragged inside the tree carry only a URL list, which the tree does not take.
    const std::unique_ptr<QMimeData> local(m_model->mimeData({ file }));
    QVERIFY(local->hasUrls() && !local->hasFormat(localTreeFormat));
    QVERIFY(!m_model->canDropMimeData(local.get(), Qt::CopyAction, -1, -1, m_model->index(folder)));
    const auto remote = localTestDrag({ QStringLiteral("a.txt"), QStringLiteral("b.txt") });
    QVERIFY(m_model->canDropMimeData(remote.get(), Qt::CopyAction, -1, -1, m_model->index(folder)));
    // Without a session there is nobody to download from.
    QVERIFY(!m_model->dropMimeData(remote.get(), Qt::CopyAction, -1, -1, m_model->index(folder)));

    FakeService service;
    service.server().on("GET", "/rest/DocumentStatus", TestReply::text(200, "[]"));
    service.server().on("GET", "/rest/FolderAccess", TestReply::text(200, R"({"CanDownload":true})"));
    service.server().on("GET", "/protected/Document.download", TestReply::text(200, "downloaded"));
    Rest session(service.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));
    m_model->setRest(&session);
    const auto other = localTestDrag({ QStringLiteral("a.txt") }, QStringLiteral("text/plain"));
    QVERIFY(!m_model->dropMimeData(remote.get(), Qt::CopyAction, -1, -1, QModelIndex()));
    QVERIFY(!m_model->dropMimeData(remote.get(), Qt::MoveAction, -1, -1, m_model->index(folder)));
    QVERIFY(!m_model->dropMimeData(other.get(), Qt::CopyAction, -1, -1, m_model->index(folder)));
    QVERIFY(summaries.isEmpty());

    QVERIFY(m_model->dropMimeData(
        remote.get(), Qt::CopyAction, -1, -1, m_model->index(folder).siblingAtColumn(1)));
    QVERIFY(m_model->dropMimeData(
        localTestDrag({ QStringLiteral("c.txt") }).get(), Qt::CopyAction, -1, -1, file));
    m_model->setRest(nullptr);
    QCOMPARE(summaries,
        QStringList({ "0 folders, 2 files download to " + folder,
            "0 folders, 1 files download to " + m_dir->path() }));
    QCOMPARE(outcomes, QStringList(3, "Successful"));
    for (const QString& path : { folder + "/a.txt", folder + "/b.txt", m_dir->filePath("c.txt") }) {
        QFile downloaded(path);
        QVERIFY(downloaded.open(QIODevice::ReadOnly));
        QCOMPARE(downloaded.readAll(), QByteArray("downloaded"));
    }
    QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("notes.txt"))));
}

QTEST_MAIN(TestLocalTreeModel)
#include "tst_localtreemodel.moc"

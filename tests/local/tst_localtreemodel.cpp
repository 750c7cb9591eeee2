#include "local/localtreemodel.h"
#include "local/localtreemodelproxy.h"
#include "model/dragpayload.h"

#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
const QString localTreeFormat = QStringLiteral("application/vnd.text.list");

QImage localTestImage(const QVariant& decoration)
{
    return decoration.value<QIcon>().pixmap(16).toImage();
}

// Remote document rows dragged from "Bridge/Plans", written out as the remote tree writes them.
QStringList localTestEntries(const QStringList& names)
{
    QStringList entries;
    for (const QString& name : names)
        entries << R"({"ObjectType":"Document","ID":3,"Name":")" + name
                + R"(","FolderID":10}{"ProjectID":1,"KelmarPath":"Bridge/Plans"})";
    return entries;
}

std::unique_ptr<QMimeData> localTestDrag(const QStringList& names, const QString& format = localTreeFormat)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(format, DragPayload::write(localTestEntries(names)));
    return data;
}
} // namespace

class TestLocalTreeModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void proxySortsFoldersFirstThenByNameSizeOrDate_data();
    void proxySortsFoldersFirstThenByNameSizeOrDate();
    void iconsAndDropsOnFoldersAndFiles();

private:
    QTemporaryDir m_dir;
    LocalTreeModel m_model;
};

void TestLocalTreeModel::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(QDir(m_dir.path()).mkdir(QStringLiteral("Drawings")));
    for (const char* name : { "plan.PDF", "notes.txt" })
        QVERIFY(QFile(m_dir.filePath(QLatin1String(name))).open(QIODevice::WriteOnly));
    m_model.setRootPath(QString());
}

void TestLocalTreeModel::proxySortsFoldersFirstThenByNameSizeOrDate_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<Qt::SortOrder>("order");
    QTest::addColumn<QStringList>("names");
    // Names as people read them: "B2" before "b10"; the folder on top whichever way.
    QTest::newRow("name") << 0 << Qt::AscendingOrder
                          << QStringList { "folder", "a.bin", "B2.bin", "b10.bin" };
    QTest::newRow("size") << 1 << Qt::AscendingOrder
                          << QStringList { "folder", "B2.bin", "b10.bin", "a.bin" };
    QTest::newRow("size, descending")
        << 1 << Qt::DescendingOrder << QStringList { "folder", "a.bin", "b10.bin", "B2.bin" };
    QTest::newRow("date") << 2 << Qt::AscendingOrder
                          << QStringList { "folder", "a.bin", "B2.bin", "b10.bin" };
}

// Sizes and dates compare by value, not by the texts "1.2 MB", "20 KB", "900 bytes" or "1 Mar", "15 Oct".
void TestLocalTreeModel::proxySortsFoldersFirstThenByNameSizeOrDate()
{
    QFETCH(int, column);
    QFETCH(Qt::SortOrder, order);
    QFETCH(QStringList, names);
    QDir dir(m_dir.filePath(QStringLiteral("sorted")));
    QVERIFY(dir.mkpath(QStringLiteral("folder")));
    const struct
    {
        const char* name;
        int size;
        QDate day;
    } entries[] = { { "a.bin", 1258291, QDate(2024, 3, 1) }, { "b10.bin", 21000, QDate(2024, 10, 15) },
        { "B2.bin", 900, QDate(2024, 6, 9) } };
    for (const auto& entry : entries) {
        QFile file(dir.filePath(QLatin1String(entry.name)));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(entry.size, 'x')) == entry.size
            && file.flush());
        QVERIFY(file.setFileTime(QDateTime(entry.day, QTime(12, 0)), QFileDevice::FileModificationTime));
    }
    LocalTreeModelProxy proxy;
    proxy.setSourceModel(&m_model);
    // Name, size and date only: the type column is hidden.
    QCOMPARE(proxy.columnCount(), 3);
    QCOMPARE(proxy.headerData(2, Qt::Horizontal), m_model.headerData(3, Qt::Horizontal));
    const QPersistentModelIndex folder = proxy.mapFromSource(m_model.index(dir.path()));
    proxy.fetchMore(folder);
    QTRY_COMPARE(proxy.rowCount(folder), 4);
    const auto shown = [&proxy, &folder](int shownColumn) {
        QStringList list;
        for (int row = 0; row < proxy.rowCount(folder); ++row)
            list << proxy.index(row, shownColumn, folder).data().toString();
        return list;
    };

    proxy.sort(column, order);
    QTRY_COMPARE(shown(0), names);
    // Sizes in the remote tree's units; a folder has none.
    proxy.sort(0, Qt::AscendingOrder);
    QTRY_COMPARE(shown(1), QStringList({ "", "1.2 MB", "900 bytes", "20 KB" }));
}

// Icons below the top level come from the program (which icon each extension gets is the icon table's
// business). Remote rows dropped on any column of a folder's row go into the folder; on a file into the
// file's folder.
void TestLocalTreeModel::iconsAndDropsOnFoldersAndFiles()
{
    for (const auto& [name, icon] :
        { std::pair { "Drawings", "folderClassic.gif" }, { "plan.PDF", "doc_pdf.png" } }) {
        const QModelIndex index = m_model.index(m_dir.filePath(QLatin1String(name)));
        QCOMPARE(localTestImage(index.data(Qt::DecorationRole)),
            QIcon(":/images/icons/" + QLatin1String(icon)).pixmap(16).toImage());
        QVERIFY(!index.siblingAtColumn(3).data(Qt::DecorationRole).isValid());
    }
    const QModelIndex top = m_model.index(QDir::rootPath());
    QVERIFY(top.isValid() && !top.parent().isValid());
    QCOMPARE(localTestImage(top.data(Qt::DecorationRole)),
        localTestImage(m_model.QFileSystemModel::data(top, Qt::DecorationRole)));

    const QString folder = m_dir.filePath(QStringLiteral("Drawings"));
    const QModelIndex file = m_model.index(m_dir.filePath(QStringLiteral("notes.txt")));
    QVERIFY(m_model.flags(file).testFlag(Qt::ItemIsDropEnabled));
    QSignalSpy requests(&m_model, &LocalTreeModel::downloadRequested);

    // Local rows dragged inside the tree carry only a URL list, which the tree does not take.
    const std::unique_ptr<QMimeData> local(m_model.mimeData({ file }));
    QVERIFY(local->hasUrls() && !local->hasFormat(localTreeFormat));
    QVERIFY(!m_model.canDropMimeData(local.get(), Qt::CopyAction, -1, -1, m_model.index(folder)));
    const auto remote = localTestDrag({ QStringLiteral("a.txt"), QStringLiteral("b.txt") });
    QVERIFY(m_model.canDropMimeData(remote.get(), Qt::CopyAction, -1, -1, m_model.index(folder)));
    const auto other = localTestDrag({ QStringLiteral("a.txt") }, QStringLiteral("text/plain"));
    QVERIFY(!m_model.dropMimeData(remote.get(), Qt::CopyAction, -1, -1, QModelIndex()));
    QVERIFY(!m_model.dropMimeData(remote.get(), Qt::MoveAction, -1, -1, m_model.index(folder)));
    QVERIFY(!m_model.dropMimeData(other.get(), Qt::CopyAction, -1, -1, m_model.index(folder)));

    QVERIFY(
        m_model.dropMimeData(remote.get(), Qt::CopyAction, -1, -1, m_model.index(folder).siblingAtColumn(1)));
    QVERIFY(
        m_model.dropMimeData(localTestDrag({ QStringLiteral("c.txt") }).get(), Qt::CopyAction, -1, -1, file));
    QCOMPARE(requests.count(), 2);
    QCOMPARE(requests.at(0),
        (QVariantList { localTestEntries({ QStringLiteral("a.txt"), QStringLiteral("b.txt") }), folder }));
    QCOMPARE(requests.at(1), (QVariantList { localTestEntries({ QStringLiteral("c.txt") }), m_dir.path() }));
}

QTEST_MAIN(TestLocalTreeModel)
#include "tst_localtreemodel.moc"

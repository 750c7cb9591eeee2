#include "local/localtreemodel.h"
#include "local/localtreemodelproxy.h"

#include <QAbstractItemModelTester>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {
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
} // namespace

class TestLocalTreeModel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void iconsBelowTheTopLevelComeFromTheProgram_data();
    void iconsBelowTheTopLevelComeFromTheProgram();
    void topLevelKeepsTheSystemIconAndRowsAreCentred();
    void proxyShowsNameSizeAndDateOnly();
    void onlyRemoteRowsCanBeDropped();
    void proxyStaysConsistentWhileFoldersLoadAndChange();
    void proxySortsSizesAndDatesByValueNotByText();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<LocalTreeModel> m_model;
};

void TestLocalTreeModel::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Drawings")));
    for (const char* name : { "plan.PDF", "notes.txt", "Makefile", "archive.tar.gz" })
        localTestTouch(m_dir->filePath(QLatin1String(name)));
    m_model = std::make_unique<LocalTreeModel>(nullptr);
    m_model->setRootPath(QString());
}

void TestLocalTreeModel::cleanup()
{
    m_model.reset();
    m_dir.reset();
}

void TestLocalTreeModel::iconsBelowTheTopLevelComeFromTheProgram_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("icon");
    QTest::newRow("folder") << "Drawings"
                            << ":/images/icons/folderClassic.gif";
    QTest::newRow("upper-case extension") << "plan.PDF"
                                          << ":/images/icons/doc_pdf.png";
    QTest::newRow("text") << "notes.txt"
                          << ":/images/icons/doc_txt.png";
    QTest::newRow("no extension") << "Makefile"
                                  << ":/images/icons/doc_other.png";
    QTest::newRow("last extension") << "archive.tar.gz"
                                    << ":/images/icons/doc_zip.png";
}

void TestLocalTreeModel::iconsBelowTheTopLevelComeFromTheProgram()
{
    QFETCH(QString, name);
    QFETCH(QString, icon);
    const QModelIndex index = m_model->index(m_dir->filePath(name));
    QVERIFY(index.isValid());
    QCOMPARE(localTestImage(index.data(Qt::DecorationRole)), QIcon(icon).pixmap(16).toImage());
    QVERIFY(!index.siblingAtColumn(3).data(Qt::DecorationRole).isValid());
}

void TestLocalTreeModel::topLevelKeepsTheSystemIconAndRowsAreCentred()
{
    const QModelIndex top = m_model->index(QDir::rootPath());
    QVERIFY(top.isValid());
    QVERIFY(!top.parent().isValid());
    const QImage shown = localTestImage(top.data(Qt::DecorationRole));
    QCOMPARE(shown, localTestImage(m_model->QFileSystemModel::data(top, Qt::DecorationRole)));
    QVERIFY(shown != QIcon(QStringLiteral(":/images/icons/folderClassic.gif")).pixmap(16).toImage());

    const QModelIndex file = m_model->index(m_dir->filePath(QStringLiteral("notes.txt")));
    for (int column = 0; column < 4; ++column) {
        const QModelIndex cell = file.siblingAtColumn(column);
        QCOMPARE(cell.data(Qt::SizeHintRole).toSize(), QSize(0, 20));
        QCOMPARE(cell.data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::Alignment(Qt::AlignVCenter));
    }
    QCOMPARE(file.data().toString(), QStringLiteral("notes.txt"));
    QCOMPARE(m_model->data(QModelIndex(), Qt::DisplayRole), QVariant());
}

void TestLocalTreeModel::proxyShowsNameSizeAndDateOnly()
{
    LocalTreeModelProxy proxy;
    proxy.setSourceModel(m_model.get());
    QCOMPARE(proxy.columnCount(), 3);
    QCOMPARE(
        proxy.headerData(0, Qt::Horizontal).toString(), m_model->headerData(0, Qt::Horizontal).toString());
    QCOMPARE(
        proxy.headerData(1, Qt::Horizontal).toString(), m_model->headerData(1, Qt::Horizontal).toString());
    QCOMPARE(
        proxy.headerData(2, Qt::Horizontal).toString(), m_model->headerData(3, Qt::Horizontal).toString());
    const QModelIndex source = m_model->index(m_dir->filePath(QStringLiteral("plan.PDF")));
    const QModelIndex file = proxy.mapFromSource(source);
    QCOMPARE(file.siblingAtColumn(1).data(), source.siblingAtColumn(1).data());
    QCOMPARE(file.siblingAtColumn(2).data(), source.siblingAtColumn(3).data());
}

void TestLocalTreeModel::onlyRemoteRowsCanBeDropped()
{
    const QModelIndex folder = m_model->index(m_dir->filePath(QStringLiteral("Drawings")));
    const QModelIndex file = m_model->index(m_dir->filePath(QStringLiteral("notes.txt")));
    QCOMPARE(m_model->mimeTypes(), QStringList { QStringLiteral("application/vnd.text.list") });
    QCOMPARE(m_model->supportedDropActions(), Qt::DropActions(Qt::CopyAction));
    QVERIFY(m_model->flags(folder).testFlag(Qt::ItemIsDropEnabled));
    QVERIFY(m_model->flags(file).testFlag(Qt::ItemIsDropEnabled));

    // Local rows dragged inside the tree carry only a URL list, which the tree does not take.
    const std::unique_ptr<QMimeData> local(m_model->mimeData({ file }));
    QVERIFY(local->hasUrls());
    QVERIFY(!local->hasFormat(QStringLiteral("application/vnd.text.list")));
    QVERIFY(!m_model->canDropMimeData(local.get(), Qt::CopyAction, -1, -1, folder));

    QMimeData remote;
    remote.setData(QStringLiteral("application/vnd.text.list"), QByteArray());
    QVERIFY(m_model->canDropMimeData(&remote, Qt::CopyAction, -1, -1, folder));
    // Without a session there is nobody to download from.
    QVERIFY(!m_model->dropMimeData(&remote, Qt::CopyAction, -1, -1, folder));
    QVERIFY(QFileInfo::exists(m_dir->filePath(QStringLiteral("notes.txt"))));
}

void TestLocalTreeModel::proxyStaysConsistentWhileFoldersLoadAndChange()
{
    // The tester walks and fetches every folder it can see; only the way down to the test folder and
    // the test's own entries stay visible, so that it does not crawl the whole disk.
    QStringList visible = QDir::cleanPath(m_dir->path()).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    visible << QStringLiteral("Drawings") << QStringLiteral("*.PDF") << QStringLiteral("*.txt")
            << QStringLiteral("Makefile") << QStringLiteral("*.gz") << QStringLiteral("*.dwg")
            << QStringLiteral("*.xlsx");
    m_model->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
    m_model->setNameFilterDisables(false);
    m_model->setNameFilters(visible);
    LocalTreeModelProxy proxy;
    proxy.setSourceModel(m_model.get());
    QAbstractItemModelTester tester(&proxy, QAbstractItemModelTester::FailureReportingMode::QtTest);
    proxy.sort(1, Qt::AscendingOrder);

    const QPersistentModelIndex folder = proxy.mapFromSource(m_model->index(m_dir->path()));
    QVERIFY(folder.isValid());
    proxy.fetchMore(folder);
    QTRY_COMPARE(proxy.rowCount(folder), 5);

    const QPersistentModelIndex drawings
        = proxy.mapFromSource(m_model->index(m_dir->filePath(QStringLiteral("Drawings"))));
    localTestTouch(m_dir->filePath(QStringLiteral("Drawings/site.dwg")));
    proxy.fetchMore(drawings);
    QTRY_COMPARE(proxy.rowCount(drawings), 1);
    localTestTouch(m_dir->filePath(QStringLiteral("later.xlsx")));
    QVERIFY(QFile::remove(m_dir->filePath(QStringLiteral("Makefile"))));
    QTRY_COMPARE(proxy.rowCount(folder), 5);
    QTRY_VERIFY(proxy.mapFromSource(m_model->index(m_dir->filePath(QStringLiteral("later.xlsx")))).isValid());
}

void TestLocalTreeModel::proxySortsSizesAndDatesByValueNotByText()
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

QTEST_MAIN(TestLocalTreeModel)
#include "tst_localtreemodel.moc"

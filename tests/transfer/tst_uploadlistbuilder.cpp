#include "transfer/uploadlistbuilder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestUploadListBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void treeIsListedParentsFirstWithoutWhatCannotBeUploaded();

private:
    QString path(const QString& relativePath) const { return m_dir.filePath(relativePath); }
    void makeFile(const QString& relativePath);

    QTemporaryDir m_dir;
};

void TestUploadListBuilder::makeFile(const QString& relativePath)
{
    QDir(m_dir.path()).mkpath(QFileInfo(relativePath).path());
    QFile file(path(relativePath));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

// Dropped or found inside a folder: hidden entries, links, pipes, vanished and unreadable entries are
// left out.
void TestUploadListBuilder::treeIsListedParentsFirstWithoutWhatCannotBeUploaded()
{
    for (const char* name : { "tree/a.txt", "tree/.secret", "tree/.cache/d.txt", "tree/nested/c.txt",
             "tree/locked.txt", "tree/closed/inner.txt", "single.txt", ".hidden" })
        makeFile(QLatin1String(name));
    QDir(m_dir.path()).mkpath(QStringLiteral("tree/empty"));
    QVERIFY(QFile::link(path(QStringLiteral("tree/a.txt")), path(QStringLiteral("tree/link.txt"))));
    QVERIFY(QFile::link(path(QStringLiteral("tree/nested")), path(QStringLiteral("tree/linkdir"))));
    QVERIFY(QFile::link(path(QStringLiteral("single.txt")), path(QStringLiteral("link.txt"))));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("dangling"))));
    QVERIFY(::mkfifo(QFile::encodeName(path(QStringLiteral("tree/pipe"))).constData(), 0600) == 0);
    // The superuser reads everything; the others find these two unreadable.
    const bool locked = ::geteuid() != 0;
    QFile::setPermissions(path(QStringLiteral("tree/locked.txt")), QFileDevice::WriteOwner);
    QFile::setPermissions(
        path(QStringLiteral("tree/closed")), QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    const RestStatus draft(4, QStringLiteral("Draft"), 1);
    UploadListBuilder builder(draft);
    QList<QUrl> dropped;
    for (const char* name : { "tree", "single.txt", ".hidden", "link.txt", "dangling", "missing" })
        dropped << QUrl::fromLocalFile(path(QLatin1String(name)));
    builder.addUrls(dropped);
    QFile::setPermissions(path(QStringLiteral("tree/closed")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QList<UploadItem>& items = builder.items();

    QStringList names;
    for (const UploadItem& item : items)
        names.append(item.fileInfo().fileName());
    names.sort();
    QCOMPARE(names,
        locked ? QStringList({ "a.txt", "c.txt", "empty", "nested", "single.txt", "tree" })
               : QStringList({ "a.txt", "c.txt", "closed", "empty", "inner.txt", "locked.txt", "nested",
                   "single.txt", "tree" }));
    QCOMPARE(builder.folderCount(), locked ? 3 : 4);
    QCOMPARE(builder.fileCount(), int(items.size()) - builder.folderCount());
    QCOMPARE(items.first().fileInfo().fileName(), QStringLiteral("tree"));
    QCOMPARE(items.last().fileInfo().fileName(), QStringLiteral("single.txt"));
    for (int position = 0; position < items.size(); ++position) {
        const UploadItem& item = items.at(position);
        QCOMPARE(item.status().code(), int(ModelItemStatus::Listed));
        QCOMPARE(item.documentStatus(), draft);
        // Every item follows its parent, which lists it among its children in list order.
        QList<int> children;
        for (int other = 0; other < items.size(); ++other) {
            if (items.at(other).parentIndex() == position)
                children.append(other);
        }
        QCOMPARE(item.children(), children);
        QVERIFY(item.parentIndex() < position);
        if (item.parentIndex() >= 0)
            QCOMPARE(item.fileInfo().path(), items.at(item.parentIndex()).fileInfo().canonicalFilePath());
    }
}

QTEST_MAIN(TestUploadListBuilder)
#include "tst_uploadlistbuilder.moc"

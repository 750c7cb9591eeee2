#include "transfer/uploadlistbuilder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestUploadListBuilder : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void folderTreeIsListedParentsFirstWithoutHiddenOrLinkedEntries();
    void entriesThatCannotBeUploadedAreLeftOut();

private:
    QString path(const QString& relativePath) const { return m_dir.filePath(relativePath); }
    void makeFile(const QString& relativePath);

    QTemporaryDir m_dir; // each case uses names of its own
};

void TestUploadListBuilder::makeFile(const QString& relativePath)
{
    QDir(m_dir.path()).mkpath(QFileInfo(relativePath).path());
    QFile file(path(relativePath));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("x");
}

void TestUploadListBuilder::folderTreeIsListedParentsFirstWithoutHiddenOrLinkedEntries()
{
    makeFile(QStringLiteral("tree/a.txt"));
    makeFile(QStringLiteral("tree/b.txt"));
    makeFile(QStringLiteral("tree/.secret"));
    makeFile(QStringLiteral("tree/.cache/d.txt"));
    makeFile(QStringLiteral("tree/nested/c.txt"));
    QDir(m_dir.path()).mkpath(QStringLiteral("tree/empty"));
    QVERIFY(QFile::link(path(QStringLiteral("tree/a.txt")), path(QStringLiteral("tree/link.txt"))));
    QVERIFY(QFile::link(path(QStringLiteral("tree/nested")), path(QStringLiteral("tree/linkdir"))));
    makeFile(QStringLiteral("single.txt"));

    const RestStatus draft(4, QStringLiteral("Draft"), 1);
    UploadListBuilder builder(draft);
    builder.addUrls({ QUrl::fromLocalFile(path(QStringLiteral("tree"))),
        QUrl::fromLocalFile(path(QStringLiteral("single.txt"))) });
    const QList<UploadItem>& items = builder.items();

    QCOMPARE(builder.folderCount(), 3);
    QCOMPARE(builder.fileCount(), 4);
    QStringList names;
    for (const UploadItem& item : items)
        names.append(item.fileInfo().fileName());
    names.sort();
    QCOMPARE(names, (QStringList { "a.txt", "b.txt", "c.txt", "empty", "nested", "single.txt", "tree" }));

    QCOMPARE(items.first().fileInfo().fileName(), QStringLiteral("tree"));
    QCOMPARE(items.last().fileInfo().fileName(), QStringLiteral("single.txt"));
    QCOMPARE(items.last().parentIndex(), -1);
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

// Dropped or found inside a folder: hidden entries, links, pipes, vanished and unreadable entries.
void TestUploadListBuilder::entriesThatCannotBeUploadedAreLeftOut()
{
    makeFile(QStringLiteral(".hidden"));
    makeFile(QStringLiteral("real.txt"));
    QVERIFY(QFile::link(path(QStringLiteral("real.txt")), path(QStringLiteral("link.txt"))));
    QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(QStringLiteral("dangling"))));
    QVERIFY(::mkfifo(QFile::encodeName(path(QStringLiteral("pipe"))).constData(), 0600) == 0);
    makeFile(QStringLiteral("box/locked.txt"));
    makeFile(QStringLiteral("box/open.txt"));
    makeFile(QStringLiteral("box/closed/inner.txt"));
    // The superuser reads everything; the others find these two unreadable.
    const bool locked = ::geteuid() != 0;
    QFile::setPermissions(path(QStringLiteral("box/locked.txt")), QFileDevice::WriteOwner);
    QFile::setPermissions(
        path(QStringLiteral("box/closed")), QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    UploadListBuilder builder { RestStatus() };
    for (const char* name : { ".hidden", "link.txt", "dangling", "pipe", "missing", "box" })
        builder.gatherUploadItems(QFileInfo(path(QLatin1String(name))), -1);
    QFile::setPermissions(path(QStringLiteral("box/closed")),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QStringList names;
    for (const UploadItem& item : builder.items())
        names << item.fileInfo().fileName();
    names.sort();
    QCOMPARE(names,
        locked ? QStringList({ "box", "open.txt" })
               : QStringList({ "box", "closed", "inner.txt", "locked.txt", "open.txt" }));
}

QTEST_MAIN(TestUploadListBuilder)
#include "tst_uploadlistbuilder.moc"

#include "app/transfercontroller.h"
#include "local/localtreemodel.h"
#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "server/demotestserver.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadmodel.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDirIterator>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QByteArray downloadEndToEndHash(const QString& path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

QStringList downloadEndToEndLocalTree(const QString& root)
{
    QStringList entries;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        entries << QDir(root).relativeFilePath(path) + (QFileInfo(path).isDir() ? "/" : "");
    }
    entries.sort();
    return entries;
}
} // namespace

// A whole project dropped from the demo server on an empty folder.
class TestDownloadEndToEnd : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void projectDropGivesTheServersTree();

private:
    // The server's tree below the project as the user sees it: folder paths end with "/"; each
    // document's path maps to the hash of its bytes.
    void walkServer(
        Rest& rest, const RestFolder& folder, const QString& path, QMap<QString, QByteArray>& tree);

    QTemporaryDir m_scratch;
};

void TestDownloadEndToEnd::walkServer(
    Rest& rest, const RestFolder& folder, const QString& path, QMap<QString, QByteArray>& tree)
{
    const QString own = path + folder.name() + "/";
    tree.insert(own, QByteArray());
    for (const RestFolder& child : rest.getChildFolders(folder.projectId(), folder.id())) {
        if (child.name() != QLatin1String("(separator)"))
            walkServer(rest, child, own, tree);
    }
    if (folder.type() != QLatin1String("documents"))
        return;
    for (const RestDocument& document : rest.getDocuments(folder.id())) {
        const QString copy = m_scratch.filePath(QStringLiteral("copy.bin"));
        rest.downloadDocument(folder.id(), document.id(), copy);
        tree.insert(own + document.name(), downloadEndToEndHash(copy));
    }
}

void TestDownloadEndToEnd::projectDropGivesTheServersTree()
{
    DemoTestServer server;
    QVERIFY(server.start());
    Rest rest(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));
    RestProject project;
    for (const RestProject& each : rest.getProjects()) {
        if (each.name() == QLatin1String("Harbour Bridge Renovation"))
            project = each;
    }
    QVERIFY(project.id() != 0);
    const QList<RestFolder> roots = rest.getProjectFolders(project.id());
    QMap<QString, QByteArray> expected { { project.name() + "/", QByteArray() } };
    for (const RestFolder& root : roots) {
        if (root.name() != QLatin1String("(separator)"))
            walkServer(rest, root, project.name() + "/", expected);
    }

    QStringList outcomes;
    DownloadDialog::setRunner([&outcomes](DownloadDialog& dialog) {
        auto* start = dialog.findChild<QPushButton*>(QStringLiteral("startButton"));
        start->click();
        if (!QTest::qWaitFor([start] { return start->text() == QLatin1String("Close"); }, 120000))
            return int(QDialog::Rejected);
        for (int row = 0; row < dialog.model()->rowCount(); ++row)
            outcomes << dialog.model()->index(row, 4).data(Qt::ToolTipRole).toString();
        start->click();
        return dialog.result();
    });
    QTemporaryDir target;
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    stream << project.toJson();
    const int folders = int(std::count_if(
        expected.keyBegin(), expected.keyEnd(), [](const QString& path) { return path.endsWith('/'); }));
    QVERIFY(folders > 5 && expected.size() - folders > 5);
    auto session = std::make_unique<SessionRunner>(
        std::make_unique<Rest>(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo")));
    // Dropped on the folder's row of the local tree; the window's controller walks and downloads.
    LocalTreeModel model;
    model.setRootPath(QString());
    QWidget window;
    auto* transfers = new TransferController(&window);
    transfers->setSession(session.get());
    connect(&model, &LocalTreeModel::downloadRequested, transfers, &TransferController::downloadRequested);
    QMimeData data;
    data.setData(QStringLiteral("application/vnd.text.list"), payload);
    QVERIFY(model.dropMimeData(&data, Qt::CopyAction, -1, -1, model.index(target.path())));
    QVERIFY(QTest::qWaitFor([transfers] { return !transfers->isBusy(); }, 120000));
    QCOMPARE(outcomes, QStringList(int(expected.size()), QStringLiteral("Successful")));
    QCOMPARE(downloadEndToEndLocalTree(target.path()), expected.keys());
    for (auto document = expected.cbegin(); document != expected.cend(); ++document) {
        if (!document.key().endsWith('/'))
            QVERIFY2(downloadEndToEndHash(target.filePath(document.key())) == document.value(),
                qPrintable(document.key()));
    }
    DownloadDialog::setRunner(nullptr);
    session.reset();
    QVERIFY(JobQueue::waitForAll(10000));
}

QTEST_MAIN(TestDownloadEndToEnd)
#include "tst_downloadendtoend.moc"

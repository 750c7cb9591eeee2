#include "local/localtreemodel.h"
#include "remote/kelmartreemodel.h"
#include "rest/rest.h"
#include "support/fakeservice.h"
#include "transfer/downloaddialog.h"
#include "transfer/downloadmodel.h"

#include <QMimeData>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Rows dragged out of the remote tree and dropped on the local one: whatever the names hold, the
// download list names the same server objects in the same places.
class TestRemoteToLocalDrag : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void projectsFoldersAndDocumentsComeThroughWithOddNames();
};

void TestRemoteToLocalDrag::projectsFoldersAndDocumentsComeThroughWithOddNames()
{
    const QString projectName = QStringLiteral("Pro}ject \"P\" \\ 1");
    const QString folderName = QStringLiteral("Docs} \"x\"");
    const QString documentName = QStringLiteral("plan \"A\"}.pdf");
    RestProject project;
    project.setObjectType(QStringLiteral("Project"));
    project.setId(1);
    project.setName(projectName);
    project.setIsFree(false);
    const RestFolder docs(QStringLiteral("Folder"), 10, folderName, folderName, QStringLiteral("documents"),
        0, 1, QString(), 1, 1);
    const RestFolder sub(QStringLiteral("Folder"), 11, QStringLiteral("Sub"),
        folderName + QStringLiteral("/Sub"), QStringLiteral("documents"), 10, 1, QString(), 0, 0);
    RestDocument document;
    document.setObjectType(QStringLiteral("Document"));
    document.setId(40);
    document.setName(documentName);
    document.setFolderId(10);
    document.setDescription(QStringLiteral("the {plan}"));

    FakeService service;
    service.setProjects("demo", "[" + project.toJson().toStdString() + "]");
    service.setFolders(1, 0, "[" + docs.toJson().toStdString() + "]");
    service.setFolders(1, 10, "[" + sub.toJson().toStdString() + "]");
    service.setDocuments(10, "[" + document.toJson().toStdString() + "]");
    service.server().on("GET", "/rest/DocumentStatus", TestReply::text(200, "[]"));
    Rest session(service.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));

    KelmarTreeModel remote(&session);
    const QModelIndex projectRow = remote.index(0, 0);
    remote.expand(projectRow);
    const QModelIndex docsRow = remote.index(0, 0, projectRow);
    remote.expand(docsRow);
    const QModelIndex subRow = remote.index(0, 0, docsRow);
    const QModelIndex documentRow = remote.index(1, 0, docsRow);
    QCOMPARE(documentRow.data().toString(), documentName);
    const std::unique_ptr<QMimeData> drag(remote.mimeData({ projectRow, subRow, documentRow }));

    QStringList rows;
    DownloadDialog::setRunner([&rows](DownloadDialog& dialog) {
        const DownloadModel* model = dialog.model();
        for (int row = 0; row < model->rowCount(); ++row)
            rows << model->index(row, 0).data().toString() + " | " + model->index(row, 1).data().toString()
                    + " | " + model->index(row, 2).data().toString();
        return int(QDialog::Rejected);
    });
    QTemporaryDir target;
    LocalTreeModel local(&session);
    local.setRootPath(QString());
    QVERIFY(local.dropMimeData(drag.get(), Qt::CopyAction, -1, -1, local.index(target.path())));
    DownloadDialog::setRunner(nullptr);

    // A dragged row carries where its folder lies: for a document that is the folder's container.
    const QString docsPath = projectName + '/' + folderName;
    QCOMPARE(rows,
        QStringList({ projectName + " |  | ", folderName + " | " + projectName + " | ",
            "Sub | " + docsPath + " | ", documentName + " | " + docsPath + " | the {plan}",
            "Sub | " + docsPath + " | ", documentName + " | " + projectName + " | the {plan}" }));
}

QTEST_MAIN(TestRemoteToLocalDrag)
#include "tst_remotetolocaldrag.moc"

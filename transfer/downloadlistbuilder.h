#pragma once

#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "rest/canceltoken.h"
#include "transfer/downloaditem.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

class Rest;

// Builds the download list of one drop of remote items on a local folder: walks the server below every
// dropped project and folder, in pre-order, subfolders before the documents of a folder, at most
// maxDepth folders deep. A refused listing is written to the log and the walk goes on; a connection
// failure ends the walk. Nothing is shown to the user here: failures() says what to show, once per kind
// of failure. Runs on one thread at a time, in the program the session's thread.
class DownloadListBuilder final
{
    Q_DISABLE_COPY_MOVE(DownloadListBuilder)

public:
    static constexpr int maxDepth = 256;

    // Every server call checks cancel first and throws JobCanceled once it is canceled.
    explicit DownloadListBuilder(Rest& rest, CancelToken cancel = CancelToken());

    // Called before each folder is listed with the folder's remote path and the counts so far.
    using Progress = std::function<void(const QString& remotePath, int folderCount, int fileCount)>;
    void setProgress(Progress progress);

    // Adds one payload entry and everything below it; an entry that is not a project, folder or
    // document of the remote tree is skipped with a diagnostic line.
    void addEntry(const QString& entry, const QString& targetDir);

    void addProjectItems(const RestProject& project, const QString& targetDir);
    void addFolderItems(
        const RestFolder& folder, const QString& localDir, const QString& remotePath, int parent);
    void addDocumentItem(const RestDocument& document, const QString& localDir, int projectId,
        const QString& remotePath, int parent);

    QList<DownloadItem> items() const { return m_items; }
    int folderCount() const { return m_folderCount; }
    int fileCount() const { return m_fileCount; }
    // The texts of the error boxes to show: the first failure of each kind, in the order they came.
    QStringList failures() const { return m_failures; }
    // The connection failed; the list is incomplete and the walk ended there.
    bool connectionLost() const { return m_connectionLost; }

    struct Texts;

private:
    // A folder whose subfolders and documents are being listed.
    struct Frame
    {
        int position = -1;
        int folderId = 0;
        int projectId = 0;
        bool hasDocuments = false;
        QString localDir; // the folder's own local folder
        QString remotePath; // the folder's own remote path
        QList<RestFolder> children;
        qsizetype next = 0;
    };

    template<typename Work> void guarded(Work work);
    template<typename Call> bool ask(const Texts& texts, Call call);
    void report(const void* kind, const QString& text);
    void projectItems(const RestProject& project, const QString& targetDir);
    void walk(const RestFolder& folder, const QString& localDir, const QString& remotePath, int parent);
    void enter(
        QList<Frame>& stack, const RestFolder& folder, QString localDir, QString remotePath, int parent);
    void documentItems(const Frame& frame);
    void documentItem(const RestDocument& document, const QString& localDir, int projectId,
        const QString& remotePath, int parent);
    int append(const DownloadItem& item, int parent);
    QString statusName(int projectId, int statusId);

    Rest& m_rest;
    CancelToken m_cancel;
    Progress m_progress;
    QList<DownloadItem> m_items;
    int m_folderCount = 0;
    int m_fileCount = 0;
    // Each project's status names by status ID, asked once per project and drop.
    QHash<int, QHash<int, QString>> m_statusNames;
    QStringList m_failures;
    QSet<const void*> m_reported;
    bool m_connectionLost = false;
};

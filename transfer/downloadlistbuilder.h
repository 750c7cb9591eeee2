#pragma once

#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "transfer/downloaditem.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class Rest;

// Builds the download list of one drop of remote items on a local folder: walks the server below every
// dropped project and folder, in pre-order, subfolders before the documents of a folder. Every failed
// server call is reported with a diagnostic line and an error box, and the walk goes on. GUI thread.
class DownloadListBuilder final
{
    Q_DISABLE_COPY_MOVE(DownloadListBuilder)

public:
    explicit DownloadListBuilder(Rest* rest);

    // The entries of a drag payload of the remote tree, one per dragged row.
    static QStringList readPayload(const QByteArray& payload);

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

private:
    int append(const DownloadItem& item, int parent);
    QString statusName(int projectId, int statusId);

    Rest* m_rest;
    QList<DownloadItem> m_items;
    int m_folderCount = 0;
    int m_fileCount = 0;
    // Each project's status names by status ID, asked once per project and drop.
    QHash<int, QHash<int, QString>> m_statusNames;
    // The folders from a dropped item down to the one being walked, against a listing that loops.
    QList<int> m_walkedFolders;
};

#pragma once

#include "model/reststatus.h"
#include "transfer/modelitemstatus.h"

#include <QFileInfo>
#include <QList>
#include <QString>

// One local file or folder of an upload list. The list is flat: every item comes after the folder item
// that holds it, and a folder item knows the positions of the items directly inside it.
class UploadItem
{
public:
    UploadItem() = default;
    UploadItem(const QFileInfo& fileInfo, const RestStatus& documentStatus, const ModelItemStatus& status,
        const QString& description, const QList<int>& children, int parentIndex, int remoteFolderId,
        const QString& folderAccess);

    void addChild(int position);

    QFileInfo fileInfo() const { return m_fileInfo; }
    void setFileInfo(const QFileInfo& fileInfo);
    QString description() const { return m_description; }
    void setDescription(const QString& description);
    RestStatus documentStatus() const { return m_documentStatus; }
    void setDocumentStatus(const RestStatus& documentStatus);
    ModelItemStatus status() const { return m_status; }
    void setStatus(const ModelItemStatus& status);

    // The permission record (JSON text) and the ID of the remote folder made or found for a folder item.
    QString folderAccess() const { return m_folderAccess; }
    void setFolderAccess(const QString& folderAccess);
    int remoteFolderId() const { return m_remoteFolderId; }
    void setRemoteFolderId(int remoteFolderId);

    // -1 for an item that was dropped itself.
    int parentIndex() const { return m_parentIndex; }
    const QList<int>& children() const { return m_children; }

private:
    QFileInfo m_fileInfo;
    QString m_description;
    QString m_folderAccess;
    RestStatus m_documentStatus;
    int m_parentIndex = -1;
    int m_remoteFolderId = -1;
    ModelItemStatus m_status { ModelItemStatus::Listed, QString() };
    QList<int> m_children;
};

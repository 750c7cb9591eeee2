#include "transfer/uploaditem.h"

UploadItem::UploadItem(const QFileInfo& fileInfo, const RestStatus& documentStatus,
    const ModelItemStatus& status, const QString& description, const QList<int>& children, int parentIndex,
    int remoteFolderId, const QString& folderAccess)
    : m_fileInfo(fileInfo)
    , m_description(description)
    , m_folderAccess(folderAccess)
    , m_documentStatus(documentStatus)
    , m_parentIndex(parentIndex)
    , m_remoteFolderId(remoteFolderId)
    , m_status(status)
    , m_children(children)
{ }

void UploadItem::addChild(int position)
{
    m_children.append(position);
}

void UploadItem::setFileInfo(const QFileInfo& fileInfo)
{
    m_fileInfo = fileInfo;
}

void UploadItem::setDescription(const QString& description)
{
    m_description = description;
}

void UploadItem::setDocumentStatus(const RestStatus& documentStatus)
{
    m_documentStatus = documentStatus;
}

void UploadItem::setStatus(const ModelItemStatus& status)
{
    m_status = status;
}

void UploadItem::setFolderAccess(const QString& folderAccess)
{
    m_folderAccess = folderAccess;
}

void UploadItem::setRemoteFolderId(int remoteFolderId)
{
    m_remoteFolderId = remoteFolderId;
}

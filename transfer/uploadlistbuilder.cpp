#include "transfer/uploadlistbuilder.h"

#include <QDir>

UploadListBuilder::UploadListBuilder(const RestStatus& defaultStatus)
    : m_defaultStatus(defaultStatus)
{ }

void UploadListBuilder::addUrls(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls)
        gatherUploadItems(QFileInfo(url.toLocalFile()), -1);
}

void UploadListBuilder::gatherUploadItems(const QFileInfo& fileInfo, int parentIndex)
{
    if (fileInfo.isHidden() || !fileInfo.isReadable() || fileInfo.isSymLink())
        return;
    const bool isFile = fileInfo.isFile();
    // A device, socket or pipe is neither a document nor a folder.
    if (!isFile && !fileInfo.isDir())
        return;

    m_items.append(UploadItem(fileInfo, m_defaultStatus, ModelItemStatus(ModelItemStatus::Listed, QString()),
        QString(), QList<int>(), parentIndex, -1, QString()));
    const int position = static_cast<int>(m_items.size()) - 1;
    if (parentIndex != -1)
        m_items[parentIndex].addChild(position);
    if (isFile) {
        ++m_fileCount;
        return;
    }
    ++m_folderCount;
    const QFileInfoList entries
        = QDir(fileInfo.canonicalFilePath())
              .entryInfoList(
                  QDir::Dirs | QDir::Files | QDir::NoSymLinks | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries)
        gatherUploadItems(entry, position);
}

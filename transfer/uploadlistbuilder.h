#pragma once

#include "model/reststatus.h"
#include "transfer/uploaditem.h"

#include <QFileInfo>
#include <QList>
#include <QUrl>

// Builds the upload list from dropped local paths: each file, and each folder with everything below
// it, depth first, every folder before its contents. Hidden entries, symbolic links and entries that
// cannot be read are left out with everything below them.
class UploadListBuilder final
{
public:
    explicit UploadListBuilder(const RestStatus& defaultStatus);

    // Adds the local file of every URL, in order.
    void addUrls(const QList<QUrl>& urls);
    // Adds one file or folder (and, for a folder, everything below it) as a child of the item at
    // parentIndex, or as a dropped item for -1.
    void gatherUploadItems(const QFileInfo& fileInfo, int parentIndex);

    const QList<UploadItem>& items() const { return m_items; }
    int folderCount() const { return m_folderCount; }
    int fileCount() const { return m_fileCount; }

private:
    RestStatus m_defaultStatus;
    QList<UploadItem> m_items;
    int m_folderCount = 0;
    int m_fileCount = 0;
};

#pragma once

#include "model/restobject.h"

#include <QList>
#include <QPersistentModelIndex>
#include <QString>
#include <QUrl>

#include <memory>

// Local files and folders dropped on a project or folder row of the remote tree, as the drop found them.
struct UploadRequest
{
    // A copy of the project's or folder's record that receives the files.
    std::shared_ptr<RestObject> target;
    // The row to reload once the upload is over; invalid once the row is gone.
    QPersistentModelIndex targetRow;
    // The target as the upload dialog's heading names it: project name, or project name/folder path.
    QString targetPath;
    int projectId = 0;
    QList<QUrl> urls;
};

#pragma once

#include "transfer/downloaditem.h"
#include "transfer/uploaditem.h"

#include <QList>
#include <QString>

class Rest;
class RestObject;

// The transfer workers as their dialogs run them, without a dialog: the list in its model, every row
// queued, the worker started, and this thread's events handled until it ends. Each returns the number of
// items that did not end as done and gives the first such item's name and text in problem.
namespace BenchWorkers {

int upload(Rest& session, RestObject& target, QList<UploadItem>& items, QString* problem);
// An overwrite question is answered with "overwrite all".
int download(Rest& session, QList<DownloadItem>& items, QString* problem);

} // namespace BenchWorkers

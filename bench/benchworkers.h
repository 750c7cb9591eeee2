#pragma once

#include "transfer/downloaditem.h"
#include "transfer/uploaditem.h"

#include <QList>
#include <QString>

class Rest;
class RestObject;

// The transfer workers as their dialogs run them, without a dialog: the list in its model, every row
// queued, the worker started with `transfers` files at once, and this thread's events handled until it
// ends. Each returns the number of items that did not end as done and gives the first such item's text
// in problem.
namespace BenchWorkers {

int upload(Rest& session, RestObject& target, QList<UploadItem>& items, QString* problem, int transfers);
// An overwrite question is answered with "overwrite all".
int download(Rest& session, QList<DownloadItem>& items, QString* problem, int transfers);

// Start the worker, wait until its bytes have moved and then stood still for a moment, cancel it, and
// return the milliseconds from the cancel until the worker has ended; -1 when nothing stalled in time.
double cancelWhenStalled(Rest& session, RestObject& target, QList<UploadItem>& items);
double cancelWhenStalled(Rest& session, QList<DownloadItem>& items);

} // namespace BenchWorkers

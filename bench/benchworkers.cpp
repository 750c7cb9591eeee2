#include "benchworkers.h"

#include "model/restobject.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QEventLoop>

namespace {
const int benchWorkersStatusColumn = 4;

void benchWorkersQueueAll(QAbstractItemModel& model)
{
    const QVariant queued
        = QVariant::fromValue(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
    for (int row = 0; row < model.rowCount(); ++row)
        model.setData(model.index(row, benchWorkersStatusColumn), queued, Qt::EditRole);
}

// Runs the thread's event loop until the worker has ended and every status it posted is in the model.
template<typename Start> void benchWorkersRun(QThread& thread, Start start)
{
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    start();
    loop.exec();
    thread.wait();
    QCoreApplication::sendPostedEvents();
}

template<typename Item> int benchWorkersFailures(const QList<Item>& items, QString* problem)
{
    int failures = 0;
    for (const Item& item : items) {
        if (item.status().code() == ModelItemStatus::Done)
            continue;
        if (failures++ == 0 && problem)
            *problem = item.status().text();
    }
    return failures;
}
} // namespace

namespace BenchWorkers {

int upload(Rest& session, RestObject& target, QList<UploadItem>& items, QString* problem)
{
    QList<RestStatus> statuses;
    for (const UploadItem& item : std::as_const(items)) {
        if (!statuses.contains(item.documentStatus()))
            statuses.append(item.documentStatus());
    }
    UploadModel model(&items, statuses);
    UploadThread thread(&target, &model, &items, &session);
    benchWorkersQueueAll(model);
    model.setTransferStarted(true);
    benchWorkersRun(thread, [&thread] { thread.startUpload(); });
    return benchWorkersFailures(items, problem);
}

int download(Rest& session, QList<DownloadItem>& items, QString* problem)
{
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, &session);
    QObject::connect(&thread, &DownloadThread::documentAlreadyExists, &thread,
        [&thread] { thread.setAnswer(true, true); });
    benchWorkersQueueAll(model);
    benchWorkersRun(thread, [&thread] { thread.start(); });
    return benchWorkersFailures(items, problem);
}

} // namespace BenchWorkers

#include "benchworkers.h"

#include "model/restobject.h"
#include "rest/rest.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"

#include <QAbstractItemModel>
#include <QCoreApplication>
#include <QElapsedTimer>
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

// Polls the running worker until its moved bytes have stood still for stallMilliseconds.
bool benchWorkersWaitForStall(const TransferWorker& worker)
{
    const int stallMilliseconds = 500;
    QElapsedTimer total;
    total.start();
    QElapsedTimer still;
    qint64 moved = 0;
    while (worker.isRunning() && total.elapsed() < 20000) {
        const qint64 now = worker.progress().movedBytes;
        if (now != moved || now == 0) {
            moved = now;
            still.start();
        } else if (still.elapsed() >= stallMilliseconds) {
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

template<typename Start> double benchWorkersCancel(TransferWorker& worker, Start start)
{
    start();
    double milliseconds = -1;
    if (benchWorkersWaitForStall(worker)) {
        QElapsedTimer timer;
        timer.start();
        worker.cancel();
        worker.wait();
        milliseconds = double(timer.nsecsElapsed()) / 1e6;
    }
    worker.cancel();
    worker.wait();
    QCoreApplication::sendPostedEvents();
    return milliseconds;
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

int upload(Rest& session, RestObject& target, QList<UploadItem>& items, QString* problem, int transfers)
{
    QList<RestStatus> statuses;
    for (const UploadItem& item : std::as_const(items)) {
        if (!statuses.contains(item.documentStatus()))
            statuses.append(item.documentStatus());
    }
    UploadModel model(&items, statuses);
    UploadThread thread(&target, &model, &items, &session);
    thread.setParallelTransfers(transfers);
    benchWorkersQueueAll(model);
    model.setTransferStarted(true);
    benchWorkersRun(thread, [&thread] { thread.startUpload(); });
    return benchWorkersFailures(items, problem);
}

int download(Rest& session, QList<DownloadItem>& items, QString* problem, int transfers)
{
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, &session);
    thread.setParallelTransfers(transfers);
    QObject::connect(&thread, &DownloadThread::documentAlreadyExists, &thread,
        [&thread] { thread.setAnswer(true, true); });
    benchWorkersQueueAll(model);
    benchWorkersRun(thread, [&thread] { thread.start(); });
    return benchWorkersFailures(items, problem);
}

double cancelWhenStalled(Rest& session, RestObject& target, QList<UploadItem>& items)
{
    UploadModel model(&items, {});
    UploadThread thread(&target, &model, &items, &session);
    benchWorkersQueueAll(model);
    const double milliseconds = benchWorkersCancel(thread, [&thread] { thread.startUpload(); });
    session.setCanceled(false);
    return milliseconds;
}

double cancelWhenStalled(Rest& session, QList<DownloadItem>& items)
{
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, &session);
    benchWorkersQueueAll(model);
    const double milliseconds = benchWorkersCancel(thread, [&thread] { thread.start(); });
    session.setCanceled(false);
    return milliseconds;
}

} // namespace BenchWorkers

#pragma once

#include "transfer/downloaditem.h"
#include "transfer/itemstatusqueue.h"

#include <QList>
#include <QSet>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <mutex>

class DownloadModel;
class Rest;

// Carries out a download list: creates a local folder for every project and folder and downloads every
// queued document into its folder, asking through documentAlreadyExists() before it replaces a file.
//
// The object lives on the GUI thread; run() works on its own copy of the list, taken by start(), and
// hands every status change to the GUI thread (queued), where it is written into the model. The worker
// waits for the GUI thread only for the answer to an overwrite question, and cancel() ends that wait.
class DownloadThread final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadThread)

public:
    DownloadThread(DownloadModel* model, QList<DownloadItem>* items, Rest* rest, QObject* parent = nullptr);
    // A worker that still runs is canceled and waited for.
    ~DownloadThread() override;

    // Takes the worker's copy of the list as it is now (with the items queued), then starts the thread.
    void start(QThread::Priority priority = QThread::InheritPriority);
    // GUI thread: stops the running transfer and every later item, and ends a pending overwrite question.
    void cancel();
    bool isCanceled() const;
    // GUI thread: whether the worker waits for an answer now. Taking the handshake lock also orders the
    // question's path after the worker's writes.
    bool isQuestionPending();
    // GUI thread: the answer to documentAlreadyExists(); applyToAll makes it stand for every later file.
    void setAnswer(bool overwrite, bool applyToAll);

signals:
    // After every item, whatever became of it.
    void uploadItemFinished();
    // The target file exists; the worker waits for setAnswer() or cancel().
    void documentAlreadyExists(QString filePath);
    // The worker posted status writes; the GUI thread takes them, in order, and writes them into the model.
    void itemStatusesPosted();

protected:
    void run() override;

private slots:
    void showItemStatuses();

private:
    enum class OverwriteAnswer
    {
        Overwrite,
        Skip,
        Canceled
    };

    void handleItem(int i);
    void createLocalFolder(int i);
    void downloadDocument(int i);
    QString downloadPermissionProblem(const DownloadItem& item);
    OverwriteAnswer askOverwrite(const QString& target);
    bool refuseUnusableName(int i);
    void refuseLongName(int i, const QString& name);
    QString freeLocalName(const QString& dir, const QString& name) const;
    void setItemStatus(int i, const ModelItemStatus& status);
    void markFailed(int i, const ModelItemStatus& status);

    DownloadModel* m_model;
    QList<DownloadItem>* m_items;
    Rest* m_rest;
    std::atomic<bool> m_canceled { false };
    // Guarded by m_mutex.
    bool m_overwrite = false;
    bool m_applyToAll = false;
    bool m_questionPending = false;
    // The standard types rather than Qt's: the thread checker of the tests sees through them.
    std::mutex m_mutex;
    std::condition_variable m_answered;
    // The worker's own list; touched only by run() while the thread runs.
    QList<DownloadItem> m_work;
    // The files this run has written, by path; touched only by run().
    QSet<QString> m_written;
    ItemStatusQueue m_statusQueue;
};

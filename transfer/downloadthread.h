#pragma once

#include "model/restfolderaccess.h"
#include "transfer/downloaditem.h"
#include "transfer/runcache.h"
#include "transfer/transferworker.h"

#include <QList>
#include <QSet>

#include <condition_variable>
#include <mutex>

class DownloadFile;
class DownloadModel;
class Rest;

// Carries out a download list: creates a local folder for every project and folder and downloads every
// queued document into its folder, asking through documentAlreadyExists() before it replaces a file.
//
// The rights of a remote folder are asked for once per run. Several documents move at once
// (setParallelTransfers), each with the outcome a run of one document after the other gives; the
// overwrite question comes one at a time.
//
// The object lives on the GUI thread; the run works on its own copy of the list, taken by start(), and
// hands every status change to the GUI thread (queued), where it is written into the model. The worker
// waits for the GUI thread only for the answer to an overwrite question, and cancel() ends that wait.
class DownloadThread final : public TransferWorker
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadThread)

public:
    DownloadThread(DownloadModel* model, QList<DownloadItem>* items, Rest* rest, QObject* parent = nullptr);
    // A worker that still runs is canceled and waited for.
    ~DownloadThread() override;

    // Takes the worker's copy of the list as it is now (with the items queued), then starts the thread.
    void start(QThread::Priority priority = QThread::InheritPriority);
    void startRun() override { start(); }
    // GUI thread: whether the worker waits for an answer now. Taking the handshake lock also orders the
    // question's path after the worker's writes.
    bool isQuestionPending();
    // GUI thread: the answer to documentAlreadyExists(); applyToAll makes it stand for every later file.
    void setAnswer(bool overwrite, bool applyToAll);

signals:
    // The target file exists; the worker waits for setAnswer() or cancel().
    void documentAlreadyExists(QString filePath);

protected:
    void handleItem(int i) override;
    QString sameTarget(int i) const override;
    void wakeWaiters() override;

private slots:
    void showItemStatuses();

private:
    enum class OverwriteAnswer
    {
        Overwrite,
        Skip,
        Canceled
    };

    void handleQueued(int i);
    void createLocalFolder(int i);
    void downloadDocument(int i);
    QString downloadPermissionProblem(int i, bool fresh, bool* fetched = nullptr);
    void fetchDocument(int i, DownloadFile& file);
    bool isListedUnchanged(const DownloadItem& item);
    OverwriteAnswer askOverwrite(const QString& target);
    bool refuseUnusableName(int i);
    void refuseLongName(int i, const QString& name);
    bool claimLocalName(const QString& dir, const QString& name, QString& claimed);
    void setItemStatus(int i, const ModelItemStatus& status);
    void markFailed(int i, const ModelItemStatus& status);

    DownloadModel* m_model;
    QList<DownloadItem>* m_items;
    // The overwrite handshake and the local names, guarded by m_mutex. The standard types rather than
    // Qt's: the thread checker of the tests sees through them.
    std::mutex m_mutex;
    std::condition_variable m_answered;
    bool m_overwrite = false;
    bool m_applyToAll = false;
    bool m_questionPending = false;
    QSet<QString> m_written; // the files this run has written, by path
    QSet<QString> m_planned; // every local path the list names, so that a new name takes none of them
    // The worker's own list. An item is written by the thread that handles it, or by the thread of a
    // folder above it before that folder is done.
    QList<DownloadItem> m_work;
    RunCache<RestFolderAccess> m_rights;
};

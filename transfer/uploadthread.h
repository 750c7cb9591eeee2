#pragma once

#include "model/restcontact.h"
#include "model/restdocument.h"
#include "transfer/itemstatusqueue.h"
#include "transfer/modelitemstatus.h"
#include "transfer/uploaditem.h"

#include <QList>
#include <QThread>

#include <atomic>

class Rest;
class RestObject;
class UploadModel;

// Uploads a list on a thread of its own: creates (or adopts) the remote folder of each folder item and
// uploads each file as a new document or a new revision, after checking the user's rights.
//
// The object lives on the GUI thread. run() works on a copy of the list taken by startUpload(), so the
// worker sees its own writes at once and shares nothing with the GUI thread; every status it writes
// reaches the model through a queued signal, in the order written. The worker never waits for the GUI
// thread, so a wait for it after cancel() always ends.
class UploadThread final : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UploadThread)

public:
    // target: the project or folder that received the drop. None of the pointers is owned; the target,
    // the model and the list are used on the GUI thread only, the session from both threads.
    UploadThread(RestObject* target, UploadModel* model, QList<UploadItem>* items, Rest* rest,
        QObject* parent = nullptr);
    ~UploadThread() override;

    // Takes a copy of the list as it stands now (queued states, descriptions, chosen statuses) and starts
    // the thread. GUI thread only.
    void startUpload();
    // Stops the upload: items not reached yet are canceled, a running request is aborted. Any thread.
    void cancel();

Q_SIGNALS:
    void uploadItemFinished();
    // The worker posted status writes; the GUI thread takes them and writes them into the model.
    void itemStatusesPosted();

protected:
    void run() override;

private Q_SLOTS:
    void writeItemStatuses();

private:
    void handleItem(int i);
    void createFolder(int i);
    void uploadFile(int i);
    bool findDocument(int folderId, const QString& name, RestDocument& found);
    void adoptExistingFolder(int i, int parentId);
    void refuseFolder(int i, const QString& text);
    void refuseFile(int i, const QString& text);

    void setItemStatus(int position, const ModelItemStatus& status);
    void setItemStatusRecursive(int position, const ModelItemStatus& status);
    void setAllItemsStatus(const ModelItemStatus& status);

    RestObject* m_target;
    UploadModel* m_model;
    QList<UploadItem>* m_items;
    Rest* m_rest;
    std::atomic<bool> m_canceled { false };

    // Taken from the target on the GUI thread, so the worker never reads the tree's records.
    bool m_targetIsProject = false;
    int m_targetId = 0;
    int m_projectId = 0;

    // Worker-side state: written by startUpload() before the thread starts, then by run() only.
    QList<UploadItem> m_work;
    ItemStatusQueue m_statusQueue;
    RestContact m_contact;
};

#pragma once

#include "model/restcontact.h"
#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restfolderaccess.h"
#include "rest/restresponse.h"
#include "transfer/modelitemstatus.h"
#include "transfer/runcache.h"
#include "transfer/transferworker.h"
#include "transfer/uploaditem.h"
#include "transfer/uploadplanner.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <optional>

class Rest;
class RestObject;
class UploadModel;

// Uploads a list: creates (or adopts) the remote folder of each folder item and uploads each file as a
// new document or a new revision, after checking the user's rights.
//
// The rights and the documents of a remote folder are asked for once per run and kept current from the
// answers of the uploads; an upload that a changed folder could explain asks again once. Several files
// move at once (setParallelTransfers), each with the outcome a run of one file after the other gives.
//
// The object lives on the GUI thread. The run works on a copy of the list taken by startUpload(), and
// every status it writes reaches the model through a queued signal, in the order written. The worker
// never waits for the GUI thread, so a wait for it after cancel() always ends.
class UploadThread final : public TransferWorker
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UploadThread)

public:
    // target: the project or folder that received the drop. None of the pointers is owned; the target,
    // the model and the list are used on the GUI thread only, the session from the worker's threads.
    UploadThread(RestObject* target, UploadModel* model, QList<UploadItem>* items, Rest* rest,
        QObject* parent = nullptr);
    ~UploadThread() override;

    // Takes a copy of the list as it stands now (queued states, descriptions, chosen statuses) and starts
    // the thread. GUI thread only.
    void startUpload();
    // Why the user may not upload a file into a folder with these rights, as a new document (existing
    // null) or as a revision of existing; empty when allowed. The upload plan asks the same.
    static QString documentRefusal(
        const RestFolderAccess& access, const RestDocument* existing, int contactId);
    void startRun() override { startUpload(); }
    // What the upload plan read from the server; the next run starts from it instead of asking again.
    void setPlanAnswers(const UploadPlanner::Answers& answers) { m_planAnswers = answers; }

protected:
    bool beginRun() override;
    void handleItem(int i) override;
    QString sameTarget(int i) const override;

private Q_SLOTS:
    void writeItemStatuses();

private:
    // What decides a file's upload: its remote folder, the document of the same name, the rights.
    struct Decision
    {
        int folderId = 0;
        bool exists = false;
        RestDocument existing;
        QString refusal; // not empty: the file is refused with this text
        bool fromCache = false; // the listing or the rights were not asked for this file
        bool seeded = false; // the listing or the rights are the plan's, read before the run
    };

    void handleQueued(int i);
    void createFolder(int i);
    RestFolder createFolderOnce(int i, const QString& body, int parentId);
    void adoptExistingFolder(int i, int parentId);
    void refuseFolder(int i, const QString& text);
    void uploadFile(int i);
    Decision decide(int i, bool fresh);
    bool upload(int i, const Decision& decision, RestResponse& refused);
    template<typename Create, typename LookUp>
    auto creatingOnce(int i, Create create, LookUp lookUp) -> decltype(create());
    RestDocument sendFile(int i, const Decision& decision, const QString& path);
    std::optional<RestDocument> storedAfterAll(int i, const Decision& decision, qint64 size);
    void reportRefused(int i, const RestResponse& refused);
    void seedCaches();
    RestFolderAccess folderAccess(
        int i, int folderId, bool fresh, bool* fetched = nullptr, bool* seeded = nullptr);
    bool findDocument(int i, int folderId, const QString& name, RestDocument& found, bool fresh,
        bool* fetched, bool* seeded = nullptr);
    void refuseFile(int i, const QString& text);

    void setItemStatus(int position, const ModelItemStatus& status);
    void setItemStatusRecursive(int position, const ModelItemStatus& status);
    void setAllItemsStatus(const ModelItemStatus& status);

    RestObject* m_target;
    UploadModel* m_model;
    QList<UploadItem>* m_items;

    // Taken from the target on the GUI thread, so the worker never reads the tree's records.
    bool m_targetIsProject = false;
    int m_targetId = 0;
    int m_projectId = 0;

    // The run's state: written by startUpload() before the thread starts, then by the pool. An item's
    // fields are written by the thread that handles it, or by the thread of a folder above it before
    // that folder is done; the scheduler orders both before the item's own turn.
    QList<UploadItem> m_work;
    QStringList m_names; // the local names, taken on the GUI thread
    RestContact m_contact;
    RunCache<RestFolderAccess> m_rights;
    // Each folder's documents by name (the first of a name, as a listing is searched).
    RunCache<QHash<QString, RestDocument>> m_documents;
    UploadPlanner::Answers m_planAnswers;
};

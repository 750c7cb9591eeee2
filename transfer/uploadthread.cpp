#include "transfer/uploadthread.h"

#include "model/jsonparser.h"
#include "model/restfolder.h"
#include "model/restobject.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "transfer/uploadmodel.h"

namespace {
QString uploadThreadCodeAndBody(const RestException& e)
{
    return QString::number(e.response.statusCode) + UploadThread::tr(", response: ") + e.response.body;
}

QString uploadThreadUnexpected(const char* what)
{
    return UploadThread::tr("Unexpected error: ") + QString::fromUtf8(what);
}

QString uploadThreadConnectionText()
{
    return UploadThread::tr("Network connection problem or canceled by user");
}

// The rights a new top-level folder of a project gets when an administrator creates it.
QString uploadThreadRootFolderAccess()
{
    RestFolderAccess access;
    access.setCanViewOwn(true);
    access.setCanView(true);
    access.setCanAdd(true);
    access.setCanAddRevisionToOwn(true);
    access.setCanAddRevision(true);
    access.setCanAnnotate(true);
    access.setCanAddSubfolder(true);
    return access.toJson();
}

// A listing by name; of two documents of one name the first counts, as when the listing is searched.
QHash<QString, RestDocument> uploadThreadByName(const QList<RestDocument>& documents)
{
    QHash<QString, RestDocument> byName;
    byName.reserve(documents.size());
    for (auto document = documents.crbegin(); document != documents.crend(); ++document)
        byName.insert(document->name(), *document);
    return byName;
}
} // namespace

UploadThread::UploadThread(
    RestObject* target, UploadModel* model, QList<UploadItem>* items, Rest* rest, QObject* parent)
    : TransferWorker(rest, parent)
    , m_target(target)
    , m_model(model)
    , m_items(items)
{
    m_targetIsProject = target->objectType() == QLatin1String("Project");
    m_targetId = target->id();
    if (m_targetIsProject) {
        m_projectId = target->id();
    } else if (const auto* folder = dynamic_cast<const RestFolder*>(target)) {
        m_projectId = folder->projectId();
    }
    // Queued: this object lives on the GUI thread, the signal comes from the worker.
    connect(this, &UploadThread::itemStatusesPosted, this, &UploadThread::writeItemStatuses,
        Qt::QueuedConnection);
}

UploadThread::~UploadThread()
{
    stopAndWait();
}

void UploadThread::startUpload()
{
    if (isRunning())
        return;
    // Orders what an earlier run wrote before this thread reads and replaces it.
    stopAndWait();
    // A run again over the same list (its failed items queued anew) keeps the remote folders the earlier
    // run made or adopted, so that their items go into them.
    const QList<UploadItem> earlier = m_work.size() == m_items->size() ? m_work : QList<UploadItem>();
    m_work.clear();
    m_names.clear();
    m_work.reserve(m_items->size());
    std::vector<Plan> plan;
    plan.reserve(m_items->size());
    for (const UploadItem& item : std::as_const(*m_items)) {
        // The sizes were read when the list was made; the copy is fresh, because QFileInfo fills its
        // caches lazily and the worker's threads must not share one with the view.
        const QFileInfo& listed = item.fileInfo();
        plan.push_back({ item.parentIndex(), !listed.isDir(), listed.isDir() ? 0 : listed.size(),
            item.status().code() == ModelItemStatus::Queued });
        UploadItem copy = item;
        copy.setFileInfo(QFileInfo(listed.filePath()));
        if (!earlier.isEmpty() && earlier.at(m_work.size()).remoteFolderId() > 0) {
            copy.setRemoteFolderId(earlier.at(m_work.size()).remoteFolderId());
            copy.setFolderAccess(earlier.at(m_work.size()).folderAccess());
        }
        m_names.append(listed.fileName());
        m_work.append(copy);
    }
    seedCaches();
    launch(plan);
}

void UploadThread::seedCaches()
{
    for (auto rights = m_planAnswers.rights.cbegin(); rights != m_planAnswers.rights.cend(); ++rights)
        m_rights.seed(rights.key(), rights.value());
    for (auto listing = m_planAnswers.documents.cbegin(); listing != m_planAnswers.documents.cend();
         ++listing)
        m_documents.seed(listing.key(), uploadThreadByName(listing.value()));
    // Once: a later run asks the server itself.
    m_planAnswers = {};
}

void UploadThread::writeItemStatuses()
{
    for (const ItemStatusQueue::Entry& entry : takeStatuses()) {
        if (m_model)
            m_model->setData(m_model->index(entry.first, 4), QVariant::fromValue(entry.second), Qt::EditRole);
    }
}

bool UploadThread::beginRun()
{
    try {
        m_contact = m_rest->getContact(m_projectId);
        return true;
    } catch (const RestException& e) {
        DiagnosticLog::write(QStringLiteral("Rest error while retreiving the contact, response code: ")
            + uploadThreadCodeAndBody(e));
        setAllItemsStatus(
            ModelItemStatus(ModelItemStatus::Failed, UploadThread::tr("Error: ") + e.response.body));
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Rest connection error while retreiving the contact"));
        setAllItemsStatus(
            ModelItemStatus(ModelItemStatus::Failed, UploadThread::tr("Network connection problem")));
    } catch (const std::exception& e) {
        setAllItemsStatus(ModelItemStatus(ModelItemStatus::Failed, uploadThreadUnexpected(e.what())));
    }
    return false;
}

// Items that go into one remote folder under one name (or names that differ in letter case only) run
// one after the other, in list order: the later one finds what the earlier one made.
QString UploadThread::sameTarget(int i) const
{
    const int parent = m_work.at(i).parentIndex();
    const int folder
        = parent >= 0 ? m_work.at(parent).remoteFolderId() : (m_targetIsProject ? -1 : m_targetId);
    return QString::number(folder) + QLatin1Char('/') + m_names.at(i);
}

void UploadThread::handleItem(int i)
{
    // An exception that escaped here would end the program; it ends only the item instead.
    try {
        handleQueued(i);
    } catch (const std::exception& e) {
        setItemStatusRecursive(i, ModelItemStatus(ModelItemStatus::Failed, uploadThreadUnexpected(e.what())));
    } catch (...) {
        setItemStatusRecursive(
            i, ModelItemStatus(ModelItemStatus::Failed, uploadThreadUnexpected("unknown")));
    }
}

void UploadThread::handleQueued(int i)
{
    if (isCanceled()) {
        setItemStatusRecursive(i, ModelItemStatus(ModelItemStatus::Failed, ModelItemStatus::canceledText()));
        return;
    }
    const UploadItem& item = m_work.at(i);
    if (item.status().code() != ModelItemStatus::Queued)
        return;
    if (item.fileInfo().isDir()) {
        createFolder(i);
    } else if (item.fileInfo().isFile()) {
        uploadFile(i);
    } else {
        // Gone since it was listed: a queued item must not end the upload still showing "Queued".
        DiagnosticLog::write(QStringLiteral("Error, file doesn't exist or can't be read."));
        setItemStatusRecursive(i,
            ModelItemStatus(ModelItemStatus::Failed,
                UploadThread::tr("The file or folder doesn't exist any more or can't be read")));
    }
}

RestFolderAccess UploadThread::folderAccess(int i, int folderId, bool fresh, bool* fetched, bool* seeded)
{
    return m_rights.read(
        folderId,
        [this, i, folderId] { return retrying(i, [&] { return m_rest->getFolderAccess(folderId); }); },
        [](const RestFolderAccess& access) { return access; }, fresh, fetched, seeded);
}

void UploadThread::createFolder(int i)
{
    const UploadItem item = m_work.at(i);
    int parentId = 0;
    QString access;
    bool rightsFromCache = false;
    if (item.parentIndex() == -1) {
        if (m_targetIsProject) {
            if (!m_contact.isAdmin())
                return refuseFolder(
                    i, UploadThread::tr("You're not allowed to create this folder in the root of a project"));
            parentId = 0;
            access = uploadThreadRootFolderAccess();
        } else {
            parentId = m_targetId;
            if (!m_contact.isAdmin()) {
                try {
                    bool fetched = false;
                    bool seeded = false;
                    bool allowed = folderAccess(i, parentId, false, &fetched, &seeded).canAddSubfolder();
                    // A refusal on the plan's answer is checked with the server: rights change.
                    if (!allowed && seeded)
                        allowed = folderAccess(i, parentId, true, &fetched).canAddSubfolder();
                    if (!allowed)
                        return refuseFolder(
                            i, UploadThread::tr("You're not allowed to create this subfolder"));
                    rightsFromCache = !fetched;
                } catch (const RestException& e) {
                    return refuseFolder(i,
                        UploadThread::tr("An error occured, response code: ") + uploadThreadCodeAndBody(e));
                } catch (const CurlConnectionException&) {
                    return refuseFolder(i, uploadThreadConnectionText());
                }
            }
        }
    } else {
        parentId = m_work.at(item.parentIndex()).remoteFolderId();
    }

    const QString name = m_names.at(i);
    const QString body
        = JSONParser::createDirectoryJson(name, QStringLiteral("documents"), parentId, 0, access);
    try {
        const RestFolder created = createFolderOnce(i, body, parentId);
        DiagnosticLog::write(QStringLiteral("Rest createDirectory() successful, directory path: ")
            + item.fileInfo().canonicalFilePath());
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Done, UploadThread::tr("Successful")));
        if (!item.children().isEmpty()) {
            m_work[i].setRemoteFolderId(created.id());
            // A folder made just now holds no documents.
            m_documents.put(created.id(), {});
            try {
                const RestFolderAccess rights = m_rest->getFolderAccess(created.id());
                m_rights.put(created.id(), rights);
                m_work[i].setFolderAccess(rights.toJson());
            } catch (const RestException&) {
                // Each file then asks for the folder's rights itself.
            } catch (const CurlConnectionException&) { }
        }
    } catch (const RestException& e) {
        if (e.response.body.contains(QLatin1String("Folder with that name exists already")))
            return adoptExistingFolder(i, parentId);
        // Rights that were asked for an earlier item may have changed since.
        if (rightsFromCache) {
            try {
                if (!folderAccess(i, parentId, true).canAddSubfolder())
                    return refuseFolder(i, UploadThread::tr("You're not allowed to create this subfolder"));
            } catch (const std::exception&) { }
        }
        DiagnosticLog::write(QStringLiteral("Rest error occured while uploading a folder, response code: ")
            + uploadThreadCodeAndBody(e));
        setItemStatusRecursive(
            i, ModelItemStatus(ModelItemStatus::Failed, UploadThread::tr("Error: ") + e.response.body));
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Connection error occured while uploading a folder"));
        setItemStatusRecursive(i, ModelItemStatus(ModelItemStatus::Failed, uploadThreadConnectionText()));
    }
}

// Sends a request that creates something until it has its answer. After a broken connection lookUp()
// says whether the server stored it after all (an empty optional: it did not) before the request goes
// again; when the look-up fails too, the item fails with the request's own failure, so that nothing is
// ever created twice.
template<typename Create, typename LookUp>
auto UploadThread::creatingOnce(int i, Create create, LookUp lookUp) -> decltype(create())
{
    for (;;) {
        try {
            return create();
        } catch (const CurlConnectionException& e) {
            if (!isTransient(e))
                throw;
            decltype(lookUp()) arrived;
            bool unknown = false;
            try {
                arrived = lookUp();
            } catch (const std::exception&) {
                unknown = true;
            }
            if (unknown)
                throw; // the request's own failure, still being handled
            if (arrived)
                return *arrived;
            if (!waitToRetry(i))
                throw;
        }
    }
}

// Creates the folder; after a broken connection it looks whether the folder arrived after all before it
// asks again, so that no folder is asked for twice.
RestFolder UploadThread::createFolderOnce(int i, const QString& body, int parentId)
{
    return creatingOnce(
        i, [&] { return m_rest->createDirectory(body, m_projectId); },
        [&]() -> std::optional<RestFolder> {
            const QList<RestFolder> siblings = retrying(i, [&] {
                return parentId == 0 ? m_rest->getProjectFolders(m_projectId)
                                     : m_rest->getChildFolders(m_projectId, parentId);
            });
            for (const RestFolder& folder : siblings) {
                if (folder.name() == m_names.at(i)) {
                    DiagnosticLog::write(
                        QStringLiteral("Folder arrived although its answer was lost: ") + m_names.at(i));
                    return folder;
                }
            }
            return std::nullopt;
        });
}

void UploadThread::adoptExistingFolder(int i, int parentId)
{
    const UploadItem item = m_work.at(i);
    const QString name = m_names.at(i);
    if (!item.children().isEmpty()) {
        QList<RestFolder> siblings;
        try {
            siblings = parentId == 0 ? m_rest->getProjectFolders(m_projectId)
                                     : m_rest->getChildFolders(m_projectId, parentId);
        } catch (const RestException& e) {
            DiagnosticLog::write(
                QStringLiteral("Rest error occured while retreiving folders, response code: ")
                + uploadThreadCodeAndBody(e));
            setItemStatusRecursive(
                i, ModelItemStatus(ModelItemStatus::Failed, UploadThread::tr("Error: ") + e.response.body));
            return;
        } catch (const CurlConnectionException&) {
            DiagnosticLog::write(QStringLiteral("Connection error occured while retreiving folders"));
            setItemStatusRecursive(i, ModelItemStatus(ModelItemStatus::Failed, uploadThreadConnectionText()));
            return;
        }
        const auto found = std::find_if(siblings.cbegin(), siblings.cend(),
            [&name](const RestFolder& folder) { return folder.name() == name; });
        if (found == siblings.cend()) {
            // Without the folder's ID its contents would land in the wrong place; they get the parent
            // failure.
            DiagnosticLog::write(
                QStringLiteral("Folder existed already, but was not found in its parent folder: ") + name);
            setItemStatusRecursive(i,
                ModelItemStatus(ModelItemStatus::Failed,
                    UploadThread::tr(
                        "The server reports that this folder exists, but it was not found in the "
                        "parent folder")));
            return;
        }
        m_work[i].setRemoteFolderId(found->id());
        try {
            const RestFolderAccess rights = m_rest->getFolderAccess(found->id());
            m_rights.put(found->id(), rights);
            m_work[i].setFolderAccess(rights.toJson());
        } catch (const RestException&) {
        } catch (const CurlConnectionException&) { }
    }
    DiagnosticLog::write(QStringLiteral("Folder existed already, ok"));
    setItemStatus(i, ModelItemStatus(ModelItemStatus::Done, UploadThread::tr("Folder existed already")));
}

void UploadThread::refuseFolder(int i, const QString& text)
{
    DiagnosticLog::write(QStringLiteral("Folder creation not approved!"));
    setItemStatusRecursive(i, ModelItemStatus(ModelItemStatus::Failed, text));
}

bool UploadThread::findDocument(
    int i, int folderId, const QString& name, RestDocument& found, bool fresh, bool* fetched, bool* seeded)
{
    return m_documents.read(
        folderId,
        [this, i, folderId] {
            return uploadThreadByName(retrying(i, [&] { return m_rest->getDocuments(folderId); }));
        },
        [&name, &found](const QHash<QString, RestDocument>& documents) {
            const auto document = documents.constFind(name);
            if (document == documents.cend())
                return false;
            found = *document;
            return true;
        },
        fresh, fetched, seeded);
}

// The folder, the document of the same name and the rights, and whether the rights allow the upload;
// fresh asks the server again instead of taking what earlier items learned.
UploadThread::Decision UploadThread::decide(int i, bool fresh)
{
    const UploadItem& item = m_work.at(i);
    const QString& name = m_names.at(i);
    Decision decision;
    RestFolderAccess access;
    bool listingFetched = false;
    bool rightsFetched = false;
    bool listingSeeded = false;
    bool rightsSeeded = false;
    if (item.parentIndex() == -1) {
        if (m_targetIsProject) {
            decision.refusal = UploadThread::tr("You can't upload a document in the root of a project");
            return decision;
        }
        decision.folderId = m_targetId;
        try {
            decision.exists = findDocument(
                i, decision.folderId, name, decision.existing, fresh, &listingFetched, &listingSeeded);
            access = folderAccess(i, decision.folderId, fresh, &rightsFetched, &rightsSeeded);
        } catch (const RestException& e) {
            decision.refusal
                = UploadThread::tr("An error occured, response code: ") + uploadThreadCodeAndBody(e);
            return decision;
        } catch (const CurlConnectionException&) {
            decision.refusal = uploadThreadConnectionText();
            return decision;
        }
    } else {
        const UploadItem& parent = m_work.at(item.parentIndex());
        decision.folderId = parent.remoteFolderId();
        try {
            decision.exists = findDocument(
                i, decision.folderId, name, decision.existing, fresh, &listingFetched, &listingSeeded);
            if (parent.folderAccess().isEmpty() || fresh)
                access = folderAccess(i, decision.folderId, fresh, &rightsFetched, &rightsSeeded);
            else
                access = JSONParser::parseFolderAccess(parent.folderAccess());
        } catch (const RestException& e) {
            decision.refusal = UploadThread::tr("Rest error occured, response: ") + e.response.body;
            return decision;
        } catch (const CurlConnectionException&) {
            decision.refusal = UploadThread::tr("Network connection problem or canceled by user.");
            return decision;
        }
    }
    decision.fromCache = !listingFetched || !rightsFetched;
    decision.seeded = listingSeeded || rightsSeeded;

    decision.refusal
        = documentRefusal(access, decision.exists ? &decision.existing : nullptr, m_contact.id());
    return decision;
}

QString UploadThread::documentRefusal(
    const RestFolderAccess& access, const RestDocument* existing, int contactId)
{
    if (!existing)
        return access.canAdd() ? QString() : tr("You're not allowed to create documents in this folder");
    if (access.canAddRevision() || (access.canAddRevisionToOwn() && existing->authorId() == contactId))
        return QString();
    return tr("You're not allowed to add a revision in this folder");
}

void UploadThread::uploadFile(int i)
{
    Decision decision = decide(i, false);
    // A refusal on what the plan read before the run is checked with the server: rights change.
    if (!decision.refusal.isEmpty() && decision.seeded)
        decision = decide(i, true);
    if (!decision.refusal.isEmpty())
        return refuseFile(i, decision.refusal);
    RestResponse refused;
    if (upload(i, decision, refused))
        return;
    if (!decision.fromCache)
        return reportRefused(i, refused);
    // Refused after a decision on what earlier items learned of the folder: the server is asked again
    // once, and the file goes on as that answer says.
    const Decision fresh = decide(i, true);
    if (!fresh.refusal.isEmpty())
        return refuseFile(i, fresh.refusal);
    const bool same = fresh.exists == decision.exists && fresh.existing.id() == decision.existing.id();
    if (same || !upload(i, fresh, refused))
        reportRefused(i, refused);
}

// Uploads the file as the decision says and writes its status; false, with refused set and no status
// written, when the server refused the upload.
bool UploadThread::upload(int i, const Decision& decision, RestResponse& refused)
{
    const UploadItem& item = m_work.at(i);
    const QString& name = m_names.at(i);
    const QString path = item.fileInfo().canonicalFilePath();
    try {
        const RestDocument stored = sendFile(i, decision, path);
        if (decision.exists) {
            DiagnosticLog::write(
                QStringLiteral("Rest uploadDocumentRevision() successful, file path: ") + path);
            setItemStatus(i,
                ModelItemStatus(
                    ModelItemStatus::Done, UploadThread::tr("Document revision added successfully")));
        } else {
            DiagnosticLog::write(QStringLiteral("Rest uploadDocument() successful, file path: ") + path);
            setItemStatus(i,
                ModelItemStatus(ModelItemStatus::Done, UploadThread::tr("Document uploaded successfully")));
        }
        noteRevision(i, stored.revisionNr());
        // What a new listing of the folder would now show under that name.
        const QString storedName = stored.name().isEmpty() ? name : stored.name();
        m_documents.update(
            decision.folderId, [&storedName, &stored](QHash<QString, RestDocument>& documents) {
                documents.insert(storedName, stored);
            });
    } catch (const RestException& e) {
        DiagnosticLog::write(
            (decision.exists ? QStringLiteral("Rest error occured while uploading a document revision, "
                                              "response code: ")
                             : QStringLiteral("Rest error occured while uploading a document, response "
                                              "code: "))
            + uploadThreadCodeAndBody(e));
        refused = e.response;
        return false;
    } catch (const IOException& e) {
        if (e.stage == IOException::Stage::Open) {
            DiagnosticLog::write(QStringLiteral("Error, file doesn't exist or can't be read."));
            setItemStatus(i,
                ModelItemStatus(ModelItemStatus::Failed,
                    UploadThread::tr("The document doesn't exist or can't be read")));
        } else {
            // The file changed under the upload; the server got no complete body.
            DiagnosticLog::write(
                QStringLiteral("Upload failed: ") + e.message + QStringLiteral(", file path: ") + path);
            setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, e.message));
        }
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Connection error occured while uploading a document"));
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, uploadThreadConnectionText()));
    }
    return true;
}

// Sends the file as the decision says. After a broken connection the folder's listing tells whether the
// server stored it after all (the answer was lost); only when it did not is the file sent again.
RestDocument UploadThread::sendFile(int i, const Decision& decision, const QString& path)
{
    const UploadItem& item = m_work.at(i);
    const QString& name = m_names.at(i);
    const int statusId = item.documentStatus().id();
    return creatingOnce(
        i,
        [&] {
            if (decision.exists)
                return m_rest->uploadDocumentRevision(decision.folderId, name, item.description(), statusId,
                    decision.existing.id(), path, meter(i));
            return m_rest->uploadDocument(
                decision.folderId, name, item.description(), statusId, path, meter(i));
        },
        [&] {
            const std::optional<RestDocument> arrived = storedAfterAll(i, decision, QFileInfo(path).size());
            if (arrived)
                DiagnosticLog::write(
                    QStringLiteral("Document arrived although its answer was lost: ") + path);
            return arrived;
        });
}

// The document of the folder's listing that an upload of the file made: the new document of its name, or
// the existing one with a later revision, of the file's size.
std::optional<RestDocument> UploadThread::storedAfterAll(int i, const Decision& decision, qint64 size)
{
    const QList<RestDocument> listed = retrying(i, [&] { return m_rest->getDocuments(decision.folderId); });
    for (const RestDocument& document : listed) {
        if (document.name() != m_names.at(i) || document.size() != size)
            continue;
        if (!decision.exists
            || (document.id() == decision.existing.id()
                && document.revisionNr() > decision.existing.revisionNr()))
            return document;
    }
    return std::nullopt;
}

void UploadThread::reportRefused(int i, const RestResponse& refused)
{
    setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, UploadThread::tr("Error: ") + refused.body));
}

void UploadThread::refuseFile(int i, const QString& text)
{
    DiagnosticLog::write(QStringLiteral("Upload document not approved! err: ") + text);
    setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, text));
}

void UploadThread::setItemStatus(int position, const ModelItemStatus& status)
{
    m_work[position].setStatus(status);
    postStatus(position, status);
}

void UploadThread::setItemStatusRecursive(int position, const ModelItemStatus& status)
{
    setItemStatus(position, status);
    const QList<int> children = m_work.at(position).children();
    for (const int child : children) {
        if (child > position && child < m_work.size())
            setItemStatusRecursive(
                child, ModelItemStatus(status.code(), UploadThread::tr("Parent directory creation failed")));
    }
}

void UploadThread::setAllItemsStatus(const ModelItemStatus& status)
{
    for (int i = 0; i < m_work.size(); ++i)
        setItemStatus(i, status);
}

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
    return QString::number(e.response.statusCode) + QStringLiteral(", response: ") + e.response.body;
}

QString uploadThreadUnexpected(const char* what)
{
    return QStringLiteral("Unexpected error: ") + QString::fromUtf8(what);
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
} // namespace

UploadThread::UploadThread(
    RestObject* target, UploadModel* model, QList<UploadItem>* items, Rest* rest, QObject* parent)
    : QThread(parent)
    , m_target(target)
    , m_model(model)
    , m_items(items)
    , m_rest(rest)
{
    ModelItemStatus::registerMetaType();
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
    if (isRunning()) {
        cancel();
        wait();
        m_rest->setCanceled(false);
    }
}

void UploadThread::startUpload()
{
    if (isRunning())
        return;
    // A deep copy: QFileInfo fills its caches lazily, so the worker must not share one with the view.
    m_work.clear();
    m_work.reserve(m_items->size());
    for (const UploadItem& item : std::as_const(*m_items)) {
        UploadItem copy = item;
        copy.setFileInfo(QFileInfo(item.fileInfo().filePath()));
        m_work.append(copy);
    }
    m_canceled = false;
    start();
}

void UploadThread::cancel()
{
    m_canceled = true;
    m_rest->setCanceled(true);
}

void UploadThread::writeItemStatuses()
{
    for (const ItemStatusQueue::Entry& entry : m_statusQueue.takeAll()) {
        if (m_model)
            m_model->setData(m_model->index(entry.first, 4), QVariant::fromValue(entry.second), Qt::EditRole);
    }
}

void UploadThread::run()
{
    try {
        m_contact = m_rest->getContact(m_projectId);
    } catch (const RestException& e) {
        DiagnosticLog::write(QStringLiteral("Rest error while retreiving the contact, response code: ")
            + uploadThreadCodeAndBody(e));
        setAllItemsStatus(
            ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("Error: ") + e.response.body));
        return;
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Rest connection error while retreiving the contact"));
        setAllItemsStatus(
            ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("Network connection problem")));
        return;
    } catch (const std::exception& e) {
        setAllItemsStatus(ModelItemStatus(ModelItemStatus::Failed, uploadThreadUnexpected(e.what())));
        return;
    }

    for (int i = 0; i < m_work.size(); ++i) {
        // An exception that escaped here would end the program; it ends only the item instead.
        try {
            handleItem(i);
        } catch (const std::exception& e) {
            setItemStatusRecursive(
                i, ModelItemStatus(ModelItemStatus::Failed, uploadThreadUnexpected(e.what())));
        } catch (...) {
            setItemStatusRecursive(
                i, ModelItemStatus(ModelItemStatus::Failed, uploadThreadUnexpected("unknown")));
        }
        emit uploadItemFinished();
    }
}

void UploadThread::handleItem(int i)
{
    if (m_canceled) {
        setItemStatusRecursive(
            i, ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("Canceled by user")));
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
                QStringLiteral("The file or folder doesn't exist any more or can't be read")));
    }
}

void UploadThread::createFolder(int i)
{
    const UploadItem item = m_work.at(i);
    int parentId = 0;
    QString folderAccess;
    if (item.parentIndex() == -1) {
        if (m_targetIsProject) {
            if (!m_contact.isAdmin())
                return refuseFolder(
                    i, QStringLiteral("You're not allowed to create this folder in the root of a project"));
            parentId = 0;
            folderAccess = uploadThreadRootFolderAccess();
        } else {
            parentId = m_targetId;
            if (!m_contact.isAdmin()) {
                try {
                    if (!m_rest->getFolderAccess(parentId).canAddSubfolder())
                        return refuseFolder(i, QStringLiteral("You're not allowed to create this subfolder"));
                } catch (const RestException& e) {
                    return refuseFolder(
                        i, QStringLiteral("An error occured, response code: ") + uploadThreadCodeAndBody(e));
                } catch (const CurlConnectionException&) {
                    return refuseFolder(i, QStringLiteral("Network connection problem or canceled by user"));
                }
            }
        }
    } else {
        parentId = m_work.at(item.parentIndex()).remoteFolderId();
    }

    const QString name = item.fileInfo().fileName();
    const QString body
        = JSONParser::createDirectoryJson(name, QStringLiteral("documents"), parentId, 0, folderAccess);
    try {
        const RestFolder created = m_rest->createDirectory(body, m_projectId);
        DiagnosticLog::write(QStringLiteral("Rest createDirectory() successful, directory path: ")
            + item.fileInfo().canonicalFilePath());
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Done, QStringLiteral("Successful")));
        if (!item.children().isEmpty()) {
            m_work[i].setRemoteFolderId(created.id());
            try {
                m_work[i].setFolderAccess(m_rest->getFolderAccess(created.id()).toJson());
            } catch (const RestException&) {
                // Each file then asks for the folder's rights itself.
            } catch (const CurlConnectionException&) { }
        }
    } catch (const RestException& e) {
        if (e.response.body.contains(QLatin1String("Folder with that name exists already")))
            return adoptExistingFolder(i, parentId);
        DiagnosticLog::write(QStringLiteral("Rest error occured while uploading a folder, response code: ")
            + uploadThreadCodeAndBody(e));
        setItemStatusRecursive(
            i, ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("Error: ") + e.response.body));
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Connection error occured while uploading a folder"));
        setItemStatusRecursive(i,
            ModelItemStatus(
                ModelItemStatus::Failed, QStringLiteral("Network connection problem or canceled by user")));
    }
}

void UploadThread::adoptExistingFolder(int i, int parentId)
{
    const UploadItem item = m_work.at(i);
    const QString name = item.fileInfo().fileName();
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
                i, ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("Error: ") + e.response.body));
            return;
        } catch (const CurlConnectionException&) {
            DiagnosticLog::write(QStringLiteral("Connection error occured while retreiving folders"));
            setItemStatusRecursive(i,
                ModelItemStatus(ModelItemStatus::Failed,
                    QStringLiteral("Network connection problem or canceled by user")));
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
                    QStringLiteral("The server reports that this folder exists, but it was not found in the "
                                   "parent folder")));
            return;
        }
        m_work[i].setRemoteFolderId(found->id());
        try {
            m_work[i].setFolderAccess(m_rest->getFolderAccess(found->id()).toJson());
        } catch (const RestException&) {
        } catch (const CurlConnectionException&) { }
    }
    DiagnosticLog::write(QStringLiteral("Folder existed already, ok"));
    setItemStatus(i, ModelItemStatus(ModelItemStatus::Done, QStringLiteral("Folder existed already")));
}

void UploadThread::refuseFolder(int i, const QString& text)
{
    DiagnosticLog::write(QStringLiteral("Folder creation not approved!"));
    setItemStatusRecursive(i, ModelItemStatus(ModelItemStatus::Failed, text));
}

void UploadThread::uploadFile(int i)
{
    const UploadItem item = m_work.at(i);
    const QString name = item.fileInfo().fileName();
    int folderId = 0;
    RestDocument existing;
    bool exists = false;
    RestFolderAccess access;
    if (item.parentIndex() == -1) {
        if (m_targetIsProject)
            return refuseFile(i, QStringLiteral("You can't upload a document in the root of a project"));
        folderId = m_targetId;
        try {
            exists = findDocument(folderId, name, existing);
            access = m_rest->getFolderAccess(folderId);
        } catch (const RestException& e) {
            return refuseFile(
                i, QStringLiteral("An error occured, response code: ") + uploadThreadCodeAndBody(e));
        } catch (const CurlConnectionException&) {
            return refuseFile(i, QStringLiteral("Network connection problem or canceled by user"));
        }
    } else {
        const UploadItem& parent = m_work.at(item.parentIndex());
        folderId = parent.remoteFolderId();
        try {
            exists = findDocument(folderId, name, existing);
            access = parent.folderAccess().isEmpty() ? m_rest->getFolderAccess(folderId)
                                                     : JSONParser::parseFolderAccess(parent.folderAccess());
        } catch (const RestException& e) {
            return refuseFile(i, QStringLiteral("Rest error occured, response: ") + e.response.body);
        } catch (const CurlConnectionException&) {
            return refuseFile(i, QStringLiteral("Network connection problem or canceled by user."));
        }
    }

    if (!exists && !access.canAdd())
        return refuseFile(i, QStringLiteral("You're not allowed to create documents in this folder"));
    if (exists && !access.canAddRevision()
        && !(access.canAddRevisionToOwn() && existing.authorId() == m_contact.id()))
        return refuseFile(i, QStringLiteral("You're not allowed to add a revision in this folder"));

    const QString path = item.fileInfo().canonicalFilePath();
    const int statusId = item.documentStatus().id();
    try {
        if (exists) {
            m_rest->uploadDocumentRevision(folderId, name, item.description(), statusId, existing.id(), path);
            DiagnosticLog::write(
                QStringLiteral("Rest uploadDocumentRevision() successful, file path: ") + path);
            setItemStatus(i,
                ModelItemStatus(
                    ModelItemStatus::Done, QStringLiteral("Document revision added successfully")));
        } else {
            m_rest->uploadDocument(folderId, name, item.description(), statusId, path);
            DiagnosticLog::write(QStringLiteral("Rest uploadDocument() successful, file path: ") + path);
            setItemStatus(
                i, ModelItemStatus(ModelItemStatus::Done, QStringLiteral("Document uploaded successfully")));
        }
    } catch (const RestException& e) {
        DiagnosticLog::write(
            (exists ? QStringLiteral(
                 "Rest error occured while uploading a document revision, response code: ")
                    : QStringLiteral("Rest error occured while uploading a document, response code: "))
            + uploadThreadCodeAndBody(e));
        setItemStatus(
            i, ModelItemStatus(ModelItemStatus::Failed, QStringLiteral("Error: ") + e.response.body));
    } catch (const IOException& e) {
        if (e.stage == IOException::Stage::Open) {
            DiagnosticLog::write(QStringLiteral("Error, file doesn't exist or can't be read."));
            setItemStatus(i,
                ModelItemStatus(
                    ModelItemStatus::Failed, QStringLiteral("The document doesn't exist or can't be read")));
        } else {
            // The file changed under the upload; the server got no complete body.
            DiagnosticLog::write(
                QStringLiteral("Upload failed: ") + e.message + QStringLiteral(", file path: ") + path);
            setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, e.message));
        }
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Connection error occured while uploading a document"));
        setItemStatus(i,
            ModelItemStatus(
                ModelItemStatus::Failed, QStringLiteral("Network connection problem or canceled by user")));
    }
}

bool UploadThread::findDocument(int folderId, const QString& name, RestDocument& found)
{
    const QList<RestDocument> documents = m_rest->getDocuments(folderId);
    for (const RestDocument& document : documents) {
        if (document.name() == name) {
            found = document;
            return true;
        }
    }
    return false;
}

void UploadThread::refuseFile(int i, const QString& text)
{
    DiagnosticLog::write(QStringLiteral("Upload document not approved! err: ") + text);
    setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, text));
}

void UploadThread::setItemStatus(int position, const ModelItemStatus& status)
{
    m_work[position].setStatus(status);
    m_statusQueue.post(position, status, [this] { Q_EMIT itemStatusesPosted(); });
}

void UploadThread::setItemStatusRecursive(int position, const ModelItemStatus& status)
{
    setItemStatus(position, status);
    const QList<int> children = m_work.at(position).children();
    for (const int child : children)
        setItemStatusRecursive(
            child, ModelItemStatus(status.code(), QStringLiteral("Parent directory creation failed")));
}

void UploadThread::setAllItemsStatus(const ModelItemStatus& status)
{
    for (int i = 0; i < m_work.size(); ++i)
        setItemStatus(i, status);
}

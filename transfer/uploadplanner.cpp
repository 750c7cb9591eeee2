#include "transfer/uploadplanner.h"

#include "model/restfolder.h"
#include "model/restobject.h"
#include "rest/canceltoken.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "transfer/uploadthread.h"

#include <QCoreApplication>

#include <optional>

namespace {
QString uploadPlannerFailure(const std::exception& e)
{
    if (const auto* rest = dynamic_cast<const RestException*>(&e))
        return QCoreApplication::translate("UploadPlanner", "response code ")
            + QString::number(rest->response.statusCode);
    if (dynamic_cast<const CurlConnectionException*>(&e))
        return QCoreApplication::translate("UploadPlanner", "network connection problem");
    return QString::fromUtf8(e.what());
}

// The answers of one run of the planner, each asked for once; a failed question is remembered too, so
// that the rows of a folder the server did not answer for do not ask again.
class UploadPlannerCache
{
public:
    UploadPlannerCache(Rest& rest, int projectId, const std::function<void()>& checkCanceled)
        : m_rest(rest)
        , m_projectId(projectId)
        , m_checkCanceled(checkCanceled)
    { }

    RestFolderAccess rights(int folderId)
    {
        return ask(m_answers.rights, folderId, [&] { return m_rest.getFolderAccess(folderId); });
    }
    QList<RestDocument> documents(int folderId)
    {
        return ask(m_answers.documents, folderId, [&] { return m_rest.getDocuments(folderId); });
    }
    // The subfolders of a folder, or the top folders of the project for 0.
    QList<RestFolder> folders(int folderId)
    {
        return ask(m_folders, folderId, [&] {
            return folderId == 0 ? m_rest.getProjectFolders(m_projectId)
                                 : m_rest.getChildFolders(m_projectId, folderId);
        });
    }
    UploadPlanner::Answers answers() const { return m_answers; }

private:
    template<typename Value, typename Fetch> Value ask(QHash<int, Value>& known, int key, Fetch fetch)
    {
        const auto found = known.constFind(key);
        if (found != known.cend())
            return *found;
        const QString failed = m_failed.value(key);
        if (!failed.isEmpty())
            throw std::runtime_error(failed.toStdString());
        m_checkCanceled();
        try {
            return known.insert(key, fetch()).value();
        } catch (const std::exception& e) {
            m_failed.insert(key, uploadPlannerFailure(e));
            throw std::runtime_error(m_failed.value(key).toStdString());
        }
    }

    Rest& m_rest;
    int m_projectId;
    const std::function<void()>& m_checkCanceled;
    UploadPlanner::Answers m_answers;
    QHash<int, QList<RestFolder>> m_folders;
    QHash<int, QString> m_failed;
};

UploadPlanner::Row uploadPlannerRefused(const QString& text)
{
    return { UploadPlanner::Kind::Refused, text, 0 };
}
} // namespace

UploadPlanner::UploadPlanner(const RestObject* target)
{
    // As the worker reads its target.
    m_targetIsProject = target->objectType() == QLatin1String("Project");
    m_targetId = target->id();
    if (m_targetIsProject) {
        m_projectId = target->id();
    } else if (const auto* folder = dynamic_cast<const RestFolder*>(target)) {
        m_projectId = folder->projectId();
    }
}

QList<UploadPlanner::Entry> UploadPlanner::entries(const QList<UploadItem>& items)
{
    QList<Entry> entries;
    entries.reserve(items.size());
    for (const UploadItem& item : items) {
        const QFileInfo info = item.fileInfo();
        entries.append({ info.absoluteFilePath(), info.fileName(), item.parentIndex(), info.isDir() });
    }
    return entries;
}

// Each decision is the worker's (UploadThread::createFolder, UploadThread::decide) on the same answers.
UploadPlanner::Result UploadPlanner::plan(
    Rest& rest, const QList<Entry>& entries, const std::function<void()>& checkCanceled) const
{
    Result result;
    result.rows.resize(entries.size());
    // The sizes are read here too: for a large list that takes a while, too long for the GUI thread.
    for (qsizetype i = 0; i < entries.size(); ++i) {
        if (i % 256 == 0)
            checkCanceled();
        if (!entries.at(i).isDir)
            result.bytes += QFileInfo(entries.at(i).path).size();
    }
    std::optional<RestContact> contact;
    QString contactFailure;
    try {
        checkCanceled();
        contact = rest.getContact(m_projectId);
    } catch (const RestException& e) {
        contactFailure = uploadPlannerFailure(e);
    } catch (const CurlConnectionException& e) {
        contactFailure = uploadPlannerFailure(e);
    }
    if (!contact) {
        for (Row& row : result.rows)
            row.reason = contactFailure;
        return result;
    }

    UploadPlannerCache cache(rest, m_projectId, checkCanceled);
    // The remote folder of each folder item: its ID when it exists already, 0 when it will be made.
    QHash<int, int> remoteFolder;
    for (int i = 0; i < entries.size(); ++i) {
        const Entry& entry = entries.at(i);
        Row& row = result.rows[i];
        int folderId = m_targetId;
        if (entry.parentIndex >= 0) {
            const Row& parent = result.rows.at(entry.parentIndex);
            if (parent.kind == Kind::Refused) {
                row = uploadPlannerRefused(UploadThread::tr("Parent directory creation failed"));
                continue;
            }
            if (parent.kind == Kind::Unknown) {
                row.reason = parent.reason;
                continue;
            }
            folderId = remoteFolder.value(entry.parentIndex);
            if (folderId == 0) {
                // Inside a folder that the upload makes: nothing there yet.
                row.kind = entry.isDir ? Kind::NewFolder : Kind::NewDocument;
                continue;
            }
        } else if (m_targetIsProject) {
            folderId = 0;
        }

        try {
            if (entry.isDir) {
                if (entry.parentIndex < 0 && !contact->isAdmin()) {
                    if (m_targetIsProject) {
                        row = uploadPlannerRefused(UploadThread::tr(
                            "You're not allowed to create this folder in the root of a project"));
                        continue;
                    }
                    if (!cache.rights(folderId).canAddSubfolder()) {
                        row = uploadPlannerRefused(
                            UploadThread::tr("You're not allowed to create this subfolder"));
                        continue;
                    }
                }
                const QList<RestFolder> siblings = cache.folders(folderId);
                const auto found = std::find_if(siblings.cbegin(), siblings.cend(),
                    [&entry](const RestFolder& folder) { return folder.name() == entry.name; });
                row.kind = found == siblings.cend() ? Kind::NewFolder : Kind::ExistingFolder;
                remoteFolder.insert(i, found == siblings.cend() ? 0 : found->id());
                continue;
            }
            if (folderId == 0) {
                row = uploadPlannerRefused(
                    UploadThread::tr("You can't upload a document in the root of a project"));
                continue;
            }
            // The first document of the name counts, as when the worker searches the listing.
            const QList<RestDocument> documents = cache.documents(folderId);
            const auto existing = std::find_if(documents.cbegin(), documents.cend(),
                [&entry](const RestDocument& document) { return document.name() == entry.name; });
            const RestDocument* found = existing == documents.cend() ? nullptr : &*existing;
            const QString refusal
                = UploadThread::documentRefusal(cache.rights(folderId), found, contact->id());
            if (!refusal.isEmpty()) {
                row = uploadPlannerRefused(refusal);
            } else if (!found) {
                row.kind = Kind::NewDocument;
            } else {
                row.kind = Kind::NewRevision;
                row.revision = found->revisionNr() + 1;
            }
        } catch (const JobCanceled&) {
            throw;
        } catch (const std::exception& e) {
            row.reason = QString::fromUtf8(e.what());
        }
    }
    result.answers = cache.answers();
    return result;
}

QString UploadPlanner::text(const Row& row)
{
    switch (row.kind) {
    case Kind::NewDocument:
        return QCoreApplication::translate("UploadPlanner", "New document");
    case Kind::NewRevision:
        return QCoreApplication::translate("UploadPlanner", "New revision (revision %1)").arg(row.revision);
    case Kind::Refused:
        return QCoreApplication::translate("UploadPlanner", "Not allowed: ") + row.reason;
    case Kind::NewFolder:
        return QCoreApplication::translate("UploadPlanner", "New folder");
    case Kind::ExistingFolder:
        return QCoreApplication::translate("UploadPlanner", "Existing folder");
    case Kind::Unknown:
        break;
    }
    return row.reason.isEmpty() ? QString()
                                : QCoreApplication::translate("UploadPlanner", "Not checked: ") + row.reason;
}

#include "transfer/downloadthread.h"

#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "transfer/downloadfile.h"
#include "transfer/downloadmodel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
const int downloadThreadStatusColumn = 4;

QString downloadThreadCanceledText()
{
    return ModelItemStatus::canceledText();
}

QString downloadThreadConnectionText()
{
    return DownloadThread::tr("Network connection problem or canceled by user");
}

QString downloadThreadFileText()
{
    return DownloadThread::tr("The document could not be created or overwritten, permission problem?");
}

// Whether the folder dir can hold an entry of this name: the file system's limit is in bytes of the
// local encoding (255 on most).
bool downloadThreadNameFits(const QString& dir, const QString& name)
{
#ifdef Q_OS_WIN
    Q_UNUSED(dir);
    return name.size() <= 255;
#else
    long limit = ::pathconf(QFile::encodeName(dir).constData(), _PC_NAME_MAX);
    if (limit <= 0)
        limit = 255;
    return QFile::encodeName(name).size() <= limit;
#endif
}

bool downloadThreadTaken(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// "name (2).ext": the number goes before the last extension; a name that starts with its only dot
// (".profile") has none.
QString downloadThreadNumbered(const QString& name, int number)
{
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const qsizetype cut = dot > 0 ? dot : name.size();
    return name.left(cut) + QStringLiteral(" (%1)").arg(number) + name.mid(cut);
}
} // namespace

DownloadThread::DownloadThread(DownloadModel* model, QList<DownloadItem>* items, Rest* rest, QObject* parent)
    : TransferWorker(rest, parent)
    , m_model(model)
    , m_items(items)
{
    // The receiver lives on the GUI thread, so the statuses that run() emits arrive there queued.
    connect(this, &DownloadThread::itemStatusesPosted, this, &DownloadThread::showItemStatuses,
        Qt::QueuedConnection);
}

DownloadThread::~DownloadThread()
{
    stopAndWait();
}

void DownloadThread::start(QThread::Priority priority)
{
    if (isRunning())
        return;
    // Orders what an earlier run wrote before this thread reads and replaces it.
    stopAndWait();
    m_work = *m_items;
    m_work.detach();
    // What an earlier run of this list wrote stays written: a retry of its failed items names files as
    // one run would have.
    m_planned.clear();
    std::vector<Plan> plan(m_work.size());
    for (int i = 0; i < m_work.size(); ++i) {
        const DownloadItem& item = m_work.at(i);
        plan[i].isFile = item.objectType() == QLatin1String("Document");
        plan[i].size = plan[i].isFile ? item.size() : 0;
        plan[i].queued = item.status().code() == ModelItemStatus::Queued;
        for (const int child : item.children()) {
            if (child > i && child < m_work.size())
                plan[child].parent = i;
        }
        m_planned.insert(item.localDir() + QLatin1Char('/') + item.name());
    }
    launch(plan, priority);
}

void DownloadThread::wakeWaiters()
{
    // Under the mutex, so that a worker about to wait sees the flag or receives the wake-up.
    std::lock_guard<std::mutex> lock(m_mutex);
    m_answered.notify_all();
}

void DownloadThread::setAnswer(bool overwrite, bool applyToAll)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_overwrite = overwrite;
    m_applyToAll = applyToAll;
    m_questionPending = false;
    m_answered.notify_all();
}

void DownloadThread::showItemStatuses()
{
    for (const ItemStatusQueue::Entry& entry : takeStatuses()) {
        if (m_model)
            m_model->setData(m_model->index(entry.first, downloadThreadStatusColumn),
                QVariant::fromValue(entry.second), Qt::EditRole);
    }
}

// Items that make one local file or folder (or names that differ in letter case only) run one after the
// other, in list order.
QString DownloadThread::sameTarget(int i) const
{
    const DownloadItem& item = m_work.at(i);
    return item.localDir() + QLatin1Char('/') + item.name();
}

void DownloadThread::handleItem(int i)
{
    // An exception must not leave the thread: it would end the program.
    try {
        handleQueued(i);
    } catch (...) {
        markFailed(i,
            ModelItemStatus(ModelItemStatus::Failed,
                DownloadThread::tr("An unexpected error occurred while downloading this item")));
    }
}

void DownloadThread::handleQueued(int i)
{
    if (isCanceled()) {
        markFailed(i, ModelItemStatus(ModelItemStatus::Failed, downloadThreadCanceledText()));
        return;
    }
    const DownloadItem& item = m_work.at(i);
    if (item.status().code() != ModelItemStatus::Queued)
        return;
    if (item.objectType() == QLatin1String("Project") || item.objectType() == QLatin1String("Folder"))
        createLocalFolder(i);
    else if (item.objectType() == QLatin1String("Document"))
        downloadDocument(i);
}

bool DownloadThread::refuseUnusableName(int i)
{
    const QString name = m_work.at(i).name();
    if (!DownloadItem::isUsableLocalName(name)) {
        DiagnosticLog::write(QStringLiteral("Download refused, unusable local name: ") + name);
        markFailed(i,
            ModelItemStatus(ModelItemStatus::Failed,
                DownloadThread::tr("The name can't be used for a local file or folder")));
        return true;
    }
    if (!downloadThreadNameFits(m_work.at(i).localDir(), name)) {
        refuseLongName(i, name);
        return true;
    }
    return false;
}

void DownloadThread::refuseLongName(int i, const QString& name)
{
    DiagnosticLog::write(
        QStringLiteral("Download refused, name too long for the local file system: ") + name);
    markFailed(i,
        ModelItemStatus(
            ModelItemStatus::Failed, DownloadThread::tr("The name is too long for the local file system")));
}

// Whether an earlier item of this run has written the file at dir/name; then claimed is the first
// numbered name that nothing on disk, nothing this run wrote and no other item of the list takes.
bool DownloadThread::claimLocalName(const QString& dir, const QString& name, QString& claimed)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_written.contains(dir + QLatin1Char('/') + name))
        return false;
    for (int number = 2;; ++number) {
        claimed = downloadThreadNumbered(name, number);
        const QString path = dir + QLatin1Char('/') + claimed;
        if (!m_written.contains(path) && !m_planned.contains(path) && !downloadThreadTaken(path))
            return true;
    }
}

void DownloadThread::createLocalFolder(int i)
{
    if (refuseUnusableName(i))
        return;
    const DownloadItem& item = m_work.at(i);
    const QString target = item.localDir() + QLatin1Char('/') + item.name();
    const bool existed = QFileInfo::exists(target);
    if (QDir().mkpath(target)) {
        setItemStatus(i,
            ModelItemStatus(ModelItemStatus::Done,
                existed ? DownloadThread::tr("Folder already existed") : DownloadThread::tr("Successful")));
    } else {
        markFailed(i,
            ModelItemStatus(ModelItemStatus::Failed,
                DownloadThread::tr("Could not create folder, permissions problem?")));
    }
}

QString DownloadThread::downloadPermissionProblem(int i, bool fresh, bool* fetched)
{
    const int folderId = m_work.at(i).folderId();
    try {
        const bool allowed = m_rights.read(
            folderId,
            [this, i, folderId] { return retrying(i, [&] { return m_rest->getFolderAccess(folderId); }); },
            [](const RestFolderAccess& access) { return access.canDownload(); }, fresh, fetched);
        if (!allowed)
            return DownloadThread::tr("You don't have permission to download this file");
    } catch (const CurlConnectionException&) {
        return downloadThreadConnectionText();
    } catch (const RestException& e) {
        return DownloadThread::tr("Error while retreiving folder access, responseCode: ")
            + QString::number(e.response.statusCode) + DownloadThread::tr(", Response: ") + e.response.body;
    } catch (const std::exception&) {
        return DownloadThread::tr("Error while retreiving folder access");
    }
    return QString();
}

bool DownloadThread::isQuestionPending()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_questionPending && !isCanceled();
}

// One question at a time: a thread that finds another question open waits for its answer, which may
// answer its own file too.
DownloadThread::OverwriteAnswer DownloadThread::askOverwrite(const QString& target)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_answered.wait(lock, [this] { return !m_questionPending || isCanceled(); });
    if (!m_applyToAll) {
        if (isCanceled())
            return OverwriteAnswer::Canceled;
        m_questionPending = true;
        // The question carries a copy of its own, released here before the wait hands the lock to the
        // GUI thread: the text the GUI thread frees is then never one this thread still lets go of.
        emit documentAlreadyExists(QString(target.constData(), target.size()));
        // Only an answer or a cancel ends the wait; a spurious wake-up does not.
        m_answered.wait(lock, [this] { return !m_questionPending || isCanceled(); });
        if (m_questionPending) {
            m_questionPending = false;
            m_answered.notify_all();
            return OverwriteAnswer::Canceled;
        }
    }
    return m_overwrite ? OverwriteAnswer::Overwrite : OverwriteAnswer::Skip;
}

void DownloadThread::downloadDocument(int i)
{
    if (refuseUnusableName(i))
        return;
    const DownloadItem item = m_work.at(i);
    bool rightsFetched = true;
    const QString problem = downloadPermissionProblem(i, false, &rightsFetched);
    if (!problem.isEmpty()) {
        DiagnosticLog::write(QStringLiteral("downloadDocument not approved, errormessage: ") + problem);
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, problem));
        return;
    }

    // Two server names can make one local name ("a/b" and "a_b"): the later document gets a name of its
    // own rather than the question whether to replace what this download has just written.
    QString name = item.name();
    const bool renamed = claimLocalName(item.localDir(), item.name(), name);
    if (renamed && !downloadThreadNameFits(item.localDir(), name))
        return refuseLongName(i, name);
    const QString target = item.localDir() + QLatin1Char('/') + name;
    bool overwritten = false;
    if (!renamed && QFileInfo::exists(target)) {
        switch (askOverwrite(target)) {
        case OverwriteAnswer::Canceled:
            setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, downloadThreadCanceledText()));
            return;
        case OverwriteAnswer::Skip:
            setItemStatus(i,
                ModelItemStatus(
                    ModelItemStatus::Failed, DownloadThread::tr("File already existed, skipped by user")));
            return;
        case OverwriteAnswer::Overwrite:
            overwritten = true;
            break;
        }
    }

    // The document goes to a temporary file beside the target, which replaces the target only after a
    // complete, accepted transfer: an existing file survives every failure. A transfer that breaks keeps
    // what it got there, and the next attempt (automatic, or a later retry) goes on from its end.
    DownloadFile file(target);
    const QString fileErrorLine
        = QStringLiteral("Rest downloadDocument() error, file couldn't be created or overwritten");
    const QString key = QStringLiteral("d%1-r%2-s%3").arg(item.id()).arg(item.revision()).arg(item.size());
    if (!file.openResumable(key)) {
        DiagnosticLog::write(fileErrorLine);
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, downloadThreadFileText()));
        return;
    }
    try {
        retrying(i, [&] { fetchDocument(i, file); });
    } catch (const CurlConnectionException&) {
        // A cancel is the user's decision to stop: nothing of the document stays behind.
        if (isCanceled())
            file.discard();
        else
            file.keep();
        DiagnosticLog::write(QStringLiteral("Connection error, document download failed"));
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, downloadThreadConnectionText()));
        return;
    } catch (const IOException& e) {
        // The local file could not be written; the text says why (a full disk, a file size limit).
        file.discard();
        DiagnosticLog::write(QStringLiteral("Rest downloadDocument() error: ") + e.message);
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, e.message));
        return;
    } catch (const RestException& e) {
        file.discard();
        const QString code = QString::number(e.response.statusCode);
        DiagnosticLog::write(QStringLiteral("Rest downloadDocument() refused, responseCode: ") + code);
        // Rights that were asked for an earlier document of the folder may have changed since.
        const QString fresh = rightsFetched ? QString() : downloadPermissionProblem(i, true);
        if (!fresh.isEmpty()) {
            DiagnosticLog::write(QStringLiteral("downloadDocument not approved, errormessage: ") + fresh);
            setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, fresh));
            return;
        }
        setItemStatus(i,
            ModelItemStatus(ModelItemStatus::Failed,
                DownloadThread::tr("The server refused the download, responseCode: ") + code));
        return;
    }
    if (!file.commit()) {
        DiagnosticLog::write(fileErrorLine);
        setItemStatus(i, ModelItemStatus(ModelItemStatus::Failed, downloadThreadFileText()));
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_written.insert(target);
    }
    DiagnosticLog::write(QStringLiteral("Rest downloadDocument() successful, filename: ") + name);
    QString text = overwritten ? DownloadThread::tr("Overwritten") : DownloadThread::tr("Successful");
    if (renamed)
        text = DownloadThread::tr(
            "Successful, saved as \"%1\" (another item of this download has the same local "
            "name)")
                   .arg(name);
    setItemStatus(i, ModelItemStatus(ModelItemStatus::Done, text));
}

// One attempt: the rest of the document when the file holds a part of it and the server still lists the
// document as it was when the list was made, else the whole document.
void DownloadThread::fetchDocument(int i, DownloadFile& file)
{
    const DownloadItem& item = m_work.at(i);
    const qint64 have = file.size();
    if (have > 0 && have < item.size() && isListedUnchanged(item)) {
        if (m_rest->resumeDocument(item.folderId(), item.id(), file, have, item.size(), meter(i))) {
            DiagnosticLog::write(QStringLiteral("Rest downloadDocument() resumed at byte %1, filename: %2")
                                     .arg(have)
                                     .arg(item.name()));
            return;
        }
    }
    if (have > 0 && !file.restart())
        throw IOException(DownloadThread::tr("The local file could not be written: ") + file.errorString(),
            IOException::Stage::Transfer);
    try {
        m_rest->downloadDocument(item.folderId(), item.id(), file, meter(i));
    } catch (const RestException&) {
        // What the server sent instead of the document is not part of it.
        file.restart();
        throw;
    }
}

bool DownloadThread::isListedUnchanged(const DownloadItem& item)
{
    if (item.revision() <= 0 || item.size() <= 0)
        return false;
    QList<RestDocument> listed;
    try {
        listed = m_rest->getDocuments(item.folderId());
    } catch (const RestException& e) {
        if (isTransient(e))
            throw;
        return false; // an unreadable listing proves nothing: the document comes whole
    }
    return std::any_of(listed.cbegin(), listed.cend(), [&item](const RestDocument& document) {
        return document.id() == item.id() && document.revisionNr() == item.revision()
            && document.size() == item.size();
    });
}

void DownloadThread::setItemStatus(int i, const ModelItemStatus& status)
{
    m_work[i].setStatus(status);
    postStatus(i, status);
}

void DownloadThread::markFailed(int i, const ModelItemStatus& status)
{
    setItemStatus(i, status);
    const ModelItemStatus parentFailed(status.code(), DownloadThread::tr("Parent directory creation failed"));
    const QList<int> children = m_work.at(i).children();
    for (int child : children) {
        if (child > i && child < m_work.size())
            markFailed(child, parentFailed);
    }
}

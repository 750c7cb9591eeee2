#include "remote/kelmartreemodel.h"

#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "remote/remotetreeitem.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "rest/sessionrunner.h"
#include "widgets/errorbox.h"
#include "widgets/itemicons.h"
#include "widgets/sizetext.h"

#include <QIcon>
#include <QLocale>
#include <QSize>

namespace {
const QString kelmarTreeSeparatorName = QStringLiteral("(separator)");

// One server step of a load as it comes back from the session's thread: the value, or the server
// failure that the user is told about.
template<typename T> struct KelmarTreeAnswer
{
    T value {};
    std::exception_ptr failure;
};

template<typename Call> auto kelmarTreeAsk(Call call) -> KelmarTreeAnswer<decltype(call())>
{
    KelmarTreeAnswer<decltype(call())> answer;
    try {
        answer.value = call();
    } catch (const CurlConnectionException&) {
        answer.failure = std::current_exception();
    } catch (const RestException&) {
        answer.failure = std::current_exception();
    }
    return answer;
}

struct KelmarTreeFolderListing
{
    KelmarTreeAnswer<QList<RestFolder>> folders;
    bool withDocuments = false;
    KelmarTreeAnswer<QList<RestDocument>> documents;
};

// A failed step is written to the log and shown to the user. "what" names the things being loaded,
// e.g. "the subfolders", untranslated: the log keeps it so, the user reads it translated.
void kelmarTreeReport(const char* what, const std::exception_ptr& failure)
{
    if (!failure)
        return;
    const QString logged = QLatin1String(what);
    try {
        std::rethrow_exception(failure);
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Network connection error while retreiving ") + logged);
        ErrorBox::show(KelmarTreeModel::tr("Unable to connect to server"));
    } catch (const RestException& e) {
        const QString code = QString::number(e.response.statusCode);
        DiagnosticLog::write(QStringLiteral("Rest exception occured while retreiving ") + logged
            + QStringLiteral(". Response code: ") + code + QStringLiteral(", response: ") + e.response.body);
        ErrorBox::show(
            KelmarTreeModel::tr("An error occured while retreiving %1. Response code: %2, response: %3")
                .arg(KelmarTreeModel::tr(what), code, e.response.body));
    }
}

// Anything but the two server failures: the load ends without rows, and the log says why.
void kelmarTreeLogUnexpected(const std::exception_ptr& failure)
{
    QString what = QStringLiteral("unknown failure");
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& e) {
        what = QString::fromLocal8Bit(e.what());
    } catch (...) { }
    DiagnosticLog::write(QStringLiteral("Loading the remote tree failed: ") + what);
}
} // namespace

KelmarTreeModel::KelmarTreeModel(SessionRunner* session, QObject* parent)
    : QAbstractItemModel(parent)
    , m_root(new RemoteTreeItem(new RestObject(QString(), 0, QString(), 0), nullptr))
    , m_session(session)
{
    loadProjects();
}

KelmarTreeModel::~KelmarTreeModel()
{
    // Deleting the nodes abandons their loads.
    delete m_root;
}

QString KelmarTreeModel::loadError() const
{
    return m_loadError;
}

bool KelmarTreeModel::isLoadingProjects() const
{
    return m_loadingProjects;
}

bool KelmarTreeModel::isLoading() const
{
    QList<const RemoteTreeItem*> nodes { m_root };
    while (!nodes.isEmpty()) {
        const RemoteTreeItem* node = nodes.takeLast();
        if (node->isLoading())
            return true;
        for (int row = 0; row < node->childCount(); ++row)
            nodes.append(node->child(row));
    }
    return false;
}

void KelmarTreeModel::loadProjects()
{
    if (!m_session)
        return;
    m_loadingProjects = true;
    showLoading(m_root);
    m_root->startLoad(m_session->run(
        this,
        [](Rest& rest, const JobControl&) { return kelmarTreeAsk([&rest] { return rest.getProjects(); }); },
        [this](const KelmarTreeAnswer<QList<RestProject>>& answer) {
            endLoading(m_root);
            m_loadingProjects = false;
            if (!answer.failure) {
                const QList<RestProject>& projects = answer.value;
                m_root->data()->setChildCount(static_cast<int>(projects.size()));
                if (projects.isEmpty()) {
                    m_loadError
                        = tr("There are no accessible projects to display, contact your administrator.");
                } else if (projects.size() == 1 && projects.first().isFree()) {
                    m_loadError = tr("The current version of Torvex Transfer only supports Torvex Premium "
                                     "projects.\nTorvex Free support is comming soon.");
                }
                QList<RestProject> shown;
                for (const RestProject& project : projects) {
                    if (!project.isFree())
                        shown.append(project);
                }
                if (!shown.isEmpty()) {
                    beginInsertRows(QModelIndex(), 0, static_cast<int>(shown.size()) - 1);
                    for (const RestProject& project : std::as_const(shown))
                        m_root->appendChild(new RemoteTreeItem(new RestProject(project), m_root));
                    endInsertRows();
                }
            }
            emit projectsLoaded();
            kelmarTreeReport(QT_TR_NOOP("the projects"), answer.failure);
        },
        [this](std::exception_ptr failure) {
            endLoading(m_root);
            m_loadingProjects = false;
            kelmarTreeLogUnexpected(failure);
            emit projectsLoaded();
        }));
}

void KelmarTreeModel::expand(const QModelIndex& index)
{
    // Rows are children of the first column only, whatever cell the caller names.
    const QModelIndex parentIndex = index.isValid() ? index.sibling(index.row(), 0) : QModelIndex();
    RemoteTreeItem* node = itemFor(parentIndex);
    if (node->isLoadingRow())
        return;
    node->cancelLoad();
    removeRows(node);
    if (!m_session)
        return;
    if (const RestProject* project = projectOf(node)) {
        loadProjectFolders(node, project->id());
    } else if (const RestFolder* folder = folderOf(node)) {
        loadFolder(node, folder->projectId(), folder->id(), folder->type() == QLatin1String("documents"));
    }
}

void KelmarTreeModel::loadProjectFolders(RemoteTreeItem* node, int projectId)
{
    showLoading(node);
    // The node is alive whenever an answer is delivered: deleting it abandons its load.
    node->startLoad(m_session->run(
        this,
        [projectId](Rest& rest, const JobControl&) {
            return kelmarTreeAsk([&rest, projectId] { return rest.getProjectFolders(projectId); });
        },
        [this, node](const KelmarTreeAnswer<QList<RestFolder>>& answer) {
            endLoading(node);
            if (!answer.failure)
                projectOf(node)->setChildCount(insertFolders(indexFor(node), node, answer.value));
            kelmarTreeReport(QT_TR_NOOP("the project folders"), answer.failure);
        },
        [this, node](std::exception_ptr failure) {
            endLoading(node);
            kelmarTreeLogUnexpected(failure);
        }));
}

void KelmarTreeModel::loadFolder(RemoteTreeItem* node, int projectId, int folderId, bool withDocuments)
{
    showLoading(node);
    node->startLoad(m_session->run(
        this,
        [projectId, folderId, withDocuments](Rest& rest, const JobControl& control) {
            KelmarTreeFolderListing listing;
            listing.folders = kelmarTreeAsk(
                [&rest, projectId, folderId] { return rest.getChildFolders(projectId, folderId); });
            control.throwIfCanceled();
            listing.withDocuments = withDocuments;
            if (withDocuments)
                listing.documents = kelmarTreeAsk([&rest, folderId] { return rest.getDocuments(folderId); });
            return listing;
        },
        [this, node](const KelmarTreeFolderListing& listing) {
            endLoading(node);
            RestFolder* folder = folderOf(node);
            const QModelIndex parent = indexFor(node);
            if (!listing.folders.failure)
                folder->setNrChildren(insertFolders(parent, node, listing.folders.value));
            if (listing.withDocuments && !listing.documents.failure) {
                insertDocuments(parent, node, listing.documents.value);
                folder->setNrItems(static_cast<int>(listing.documents.value.size()));
            }
            kelmarTreeReport(QT_TR_NOOP("the subfolders"), listing.folders.failure);
            kelmarTreeReport(QT_TR_NOOP("the documents"), listing.documents.failure);
        },
        [this, node](std::exception_ptr failure) {
            endLoading(node);
            kelmarTreeLogUnexpected(failure);
        }));
}

void KelmarTreeModel::showLoading(RemoteTreeItem* node)
{
    const int row = node->childCount();
    beginInsertRows(indexFor(node), row, row);
    node->appendChild(RemoteTreeItem::loadingRow(node));
    endInsertRows();
}

void KelmarTreeModel::endLoading(RemoteTreeItem* node)
{
    node->endLoad();
    removeRows(node);
}

void KelmarTreeModel::removeRows(RemoteTreeItem* node)
{
    if (node->childCount() == 0)
        return;
    beginRemoveRows(indexFor(node), 0, node->childCount() - 1);
    node->removeChildren();
    endRemoveRows();
}

int KelmarTreeModel::insertFolders(
    const QModelIndex& parent, RemoteTreeItem* node, const QList<RestFolder>& folders)
{
    int inserted = 0;
    for (const RestFolder& folder : folders) {
        if (folder.name() == kelmarTreeSeparatorName)
            continue;
        const int row = node->childCount();
        beginInsertRows(parent, row, row);
        node->appendChild(new RemoteTreeItem(new RestFolder(folder), node));
        endInsertRows();
        ++inserted;
    }
    return inserted;
}

void KelmarTreeModel::insertDocuments(
    const QModelIndex& parent, RemoteTreeItem* node, const QList<RestDocument>& documents)
{
    if (documents.isEmpty())
        return;
    const int first = node->childCount();
    beginInsertRows(parent, first, first + static_cast<int>(documents.size()) - 1);
    for (const RestDocument& document : documents)
        node->appendChild(new RemoteTreeItem(new RestDocument(document), node));
    endInsertRows();
}

RemoteTreeItem* KelmarTreeModel::itemFor(const QModelIndex& index) const
{
    if (index.isValid() && index.internalPointer())
        return static_cast<RemoteTreeItem*>(index.internalPointer());
    return m_root;
}

QModelIndex KelmarTreeModel::indexFor(RemoteTreeItem* node) const
{
    if (node == m_root)
        return QModelIndex();
    return createIndex(node->row(), 0, node);
}

// The kind of a row is its record's object type; the cast also guards against a server that names a
// record of one kind with the type of another.
RestProject* KelmarTreeModel::projectOf(const RemoteTreeItem* node)
{
    RestObject* object = node->data();
    return object->objectType() == QLatin1String("Project") ? dynamic_cast<RestProject*>(object) : nullptr;
}

RestFolder* KelmarTreeModel::folderOf(const RemoteTreeItem* node)
{
    RestObject* object = node->data();
    return object->objectType() == QLatin1String("Folder") ? dynamic_cast<RestFolder*>(object) : nullptr;
}

RestDocument* KelmarTreeModel::documentOf(const RemoteTreeItem* node)
{
    RestObject* object = node->data();
    return object->objectType() == QLatin1String("Document") ? dynamic_cast<RestDocument*>(object) : nullptr;
}

QModelIndex KelmarTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return QModelIndex();
    RemoteTreeItem* child = itemFor(parent)->child(row);
    if (!child)
        return QModelIndex();
    return createIndex(row, column, child);
}

QModelIndex KelmarTreeModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return QModelIndex();
    RemoteTreeItem* parentNode = itemFor(index)->parentItem();
    if (!parentNode || parentNode == m_root)
        return QModelIndex();
    return createIndex(parentNode->row(), 0, parentNode);
}

int KelmarTreeModel::rowCount(const QModelIndex& parent) const
{
    // Only the first column of a row has children, as item views expect.
    if (parent.column() > 0)
        return 0;
    return itemFor(parent)->childCount();
}

int KelmarTreeModel::columnCount(const QModelIndex& parent) const
{
    return parent.column() <= 2 ? 3 : 0;
}

bool KelmarTreeModel::hasChildren(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return false;
    const RemoteTreeItem* node = itemFor(parent);
    // Rows always mean an expander; this covers the "Loading…" row, which the counts do not know.
    if (node == m_root || node->childCount() > 0)
        return true;
    if (const RestProject* project = projectOf(node))
        return project->childCount() > 0;
    if (const RestFolder* folder = folderOf(node)) {
        if (folder->nrChildren() > 0)
            return true;
        return folder->type() == QLatin1String("documents") && folder->nrItems() > 0;
    }
    return false;
}

QVariant KelmarTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this)
        return QVariant();
    const RemoteTreeItem* node = itemFor(index);
    const RestObject* object = node->data();
    if (node->isLoadingRow()) {
        if (role == Qt::DisplayRole)
            return index.column() == 0 ? object->name() : QString();
        if (role == Qt::SizeHintRole)
            return QSize(0, 20);
        if (role == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::Alignment(Qt::AlignVCenter));
        return QVariant();
    }
    const RestProject* project = projectOf(node);
    const RestFolder* folder = folderOf(node);
    const RestDocument* document = documentOf(node);

    switch (role) {
    case Qt::SizeHintRole:
        return QSize(0, 20);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignVCenter));
    case Qt::DecorationRole:
        if (index.column() != 0)
            return QVariant();
        if (project)
            return QIcon(QStringLiteral(":/images/icons/project.gif"));
        if (folder)
            return folderIcon(folder->type());
        return documentIcon(object->name());
    case Qt::DisplayRole:
        switch (index.column()) {
        case 0:
            return object->name();
        case 1:
            if (project || folder)
                return QString();
            if (document)
                return sizeText(document->size());
            return QVariant();
        case 2:
            if (project || folder)
                return QString();
            if (document)
                return QLocale::system().toString(document->uploaded().toLocalTime(), QLocale::ShortFormat);
            return QVariant();
        default:
            return QVariant();
        }
    default:
        return QVariant();
    }
}

QVariant KelmarTreeModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("Size");
    case 2:
        return tr("Date Uploaded");
    default:
        return QVariant();
    }
}

Qt::DropActions KelmarTreeModel::supportedDropActions() const
{
    return Qt::CopyAction;
}

Qt::ItemFlags KelmarTreeModel::flags(const QModelIndex& index) const
{
    // The empty area below the rows takes drops; there is nothing to drag from it.
    if (!index.isValid())
        return Qt::ItemIsDropEnabled;
    if (itemFor(index)->isLoadingRow())
        return Qt::ItemIsEnabled;
    return QAbstractItemModel::flags(index) | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QString KelmarTreeModel::sizeText(qint64 size)
{
    return ::sizeText(size);
}

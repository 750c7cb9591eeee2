#include "remote/kelmartreemodel.h"

#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "widgets/errorbox.h"
#include "widgets/itemicons.h"
#include "remote/remotetreeitem.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"

#include <QCoreApplication>
#include <QIcon>
#include <QLocale>
#include <QSize>

namespace {
const QString kelmarTreeSeparatorName = QStringLiteral("(separator)");

// Runs one server step of a load; a failure is written to the log and shown to the user, and the
// caller goes on with what it has. "what" names the things being loaded, e.g. "the subfolders".
template<typename Step> void kelmarTreeLoadStep(const QString& what, Step step)
{
    try {
        step();
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QStringLiteral("Network connection error while retreiving ") + what);
        ErrorBox::show(QStringLiteral("Unable to connect to server"));
    } catch (const RestException& e) {
        const QString detail = QStringLiteral(". Response code: ") + QString::number(e.response.statusCode)
            + QStringLiteral(", response: ") + e.response.body;
        DiagnosticLog::write(QStringLiteral("Rest exception occured while retreiving ") + what + detail);
        ErrorBox::show(QStringLiteral("An error occured while retreiving ") + what + detail);
    }
}
} // namespace

KelmarTreeModel::KelmarTreeModel(Rest* rest, QObject* parent)
    : QAbstractItemModel(parent)
    , m_root(new RemoteTreeItem(new RestObject(QString(), 0, QString(), 0), nullptr))
    , m_rest(rest)
{
    loadProjects();
}

KelmarTreeModel::~KelmarTreeModel()
{
    delete m_root;
}

QString KelmarTreeModel::loadError() const
{
    return m_loadError;
}

void KelmarTreeModel::loadProjects()
{
    kelmarTreeLoadStep(QStringLiteral("the projects"), [this] {
        const QList<RestProject> projects = m_rest->getProjects();
        m_root->data()->setChildCount(static_cast<int>(projects.size()));
        if (projects.isEmpty()) {
            m_loadError
                = QStringLiteral("There are no accessible projects to display, contact your administrator.");
        } else if (projects.size() == 1 && projects.first().isFree()) {
            m_loadError
                = QStringLiteral("The current version of Torvex Transfer only supports Torvex Premium "
                                 "projects.\nTorvex Free support is comming soon.");
        }
        for (const RestProject& project : projects) {
            if (!project.isFree())
                m_root->appendChild(new RemoteTreeItem(new RestProject(project), m_root));
        }
    });
}

void KelmarTreeModel::expand(const QModelIndex& index)
{
    // Rows are children of the first column only, whatever cell the caller names.
    const QModelIndex parentIndex = index.isValid() ? index.sibling(index.row(), 0) : QModelIndex();
    RemoteTreeItem* node = itemFor(parentIndex);
    if (node->childCount() > 0) {
        beginRemoveRows(parentIndex, 0, node->childCount() - 1);
        node->removeChildren();
        endRemoveRows();
    }

    if (RestProject* project = projectOf(node)) {
        kelmarTreeLoadStep(QStringLiteral("the project folders"), [&] {
            const QList<RestFolder> folders = m_rest->getProjectFolders(project->id());
            project->setChildCount(insertFolders(parentIndex, node, folders));
        });
    } else if (RestFolder* folder = folderOf(node)) {
        kelmarTreeLoadStep(QStringLiteral("the subfolders"), [&] {
            const QList<RestFolder> folders = m_rest->getChildFolders(folder->projectId(), folder->id());
            folder->setNrChildren(insertFolders(parentIndex, node, folders));
        });
        if (folder->type() == QLatin1String("documents")) {
            kelmarTreeLoadStep(QStringLiteral("the documents"), [&] {
                const QList<RestDocument> documents = m_rest->getDocuments(folder->id());
                insertDocuments(parentIndex, node, documents);
                folder->setNrItems(static_cast<int>(documents.size()));
            });
        }
    }
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
    if (node == m_root)
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
        return QStringLiteral("Name");
    case 1:
        return QStringLiteral("Size");
    case 2:
        return QStringLiteral("Date Uploaded");
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
    return QAbstractItemModel::flags(index) | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QString KelmarTreeModel::sizeText(qint64 size)
{
    constexpr qint64 kib = 1024;
    constexpr qint64 mib = kib * 1024;
    constexpr qint64 gib = mib * 1024;
    const QLocale locale;
    if (size >= gib) {
        return QCoreApplication::translate("QFileSystemModel", "%1 GB")
            .arg(locale.toString(static_cast<double>(size) / gib, 'f', 2));
    }
    if (size >= mib) {
        return QCoreApplication::translate("QFileSystemModel", "%1 MB")
            .arg(locale.toString(static_cast<double>(size) / mib, 'f', 1));
    }
    if (size >= kib)
        return QCoreApplication::translate("QFileSystemModel", "%1 KB").arg(locale.toString(size >> 10));
    return QCoreApplication::translate("QFileSystemModel", "%1 bytes").arg(locale.toString(size));
}

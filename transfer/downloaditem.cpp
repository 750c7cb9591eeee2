#include "transfer/downloaditem.h"

DownloadItem::DownloadItem(const QString& objectType, int id, const QString& name, const QString& folderType,
    const QString& path, const QString& description, const QString& statusName, const ModelItemStatus& status,
    const QList<int>& children, const QString& localDir, int folderId)
    : m_id(id)
    , m_folderId(folderId)
    , m_objectType(objectType)
    , m_name(name)
    , m_folderType(folderType)
    , m_path(path)
    , m_description(description)
    , m_statusName(statusName)
    , m_localDir(localDir)
    , m_status(status)
    , m_children(children)
{ }

void DownloadItem::addChild(int position)
{
    m_children.append(position);
}

QString DownloadItem::localName(const QString& serverName)
{
    QString name = serverName;
    // A NUL would cut the name short in every file system call.
    for (QChar& c : name) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\') || c == QChar(0))
            c = QLatin1Char('_');
    }
    return name;
}

bool DownloadItem::isUsableLocalName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return !name.contains(QLatin1Char('/')) && !name.contains(QLatin1Char('\\')) && !name.contains(QChar(0));
}

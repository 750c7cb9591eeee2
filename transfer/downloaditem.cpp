#include "transfer/downloaditem.h"

#include <algorithm>

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

namespace {
// What cannot be part of one path component: the separators, and NUL, which would cut the name short.
bool downloadItemIsSeparator(QChar c)
{
#ifdef Q_OS_WIN
    if (c == QLatin1Char('\\') || c == QLatin1Char(':'))
        return true;
#endif
    return c == QLatin1Char('/') || c == QChar(0);
}
} // namespace

QString DownloadItem::localName(const QString& serverName)
{
    QString name = serverName;
    for (QChar& c : name) {
        if (downloadItemIsSeparator(c))
            c = QLatin1Char('_');
    }
    return name;
}

bool DownloadItem::isUsableLocalName(const QString& name)
{
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    return std::none_of(name.cbegin(), name.cend(), downloadItemIsSeparator);
}

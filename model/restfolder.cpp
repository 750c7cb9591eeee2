#include "model/restfolder.h"

#include "model/jsontext.h"

#include <algorithm>
#include <limits>

namespace {
// Counts come from the server; a sum beyond the int range must not overflow.
int restFolderChildCount(int nrChildren, int nrItems)
{
    const qint64 sum = qint64(nrChildren) + nrItems;
    return int(std::clamp<qint64>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}
} // namespace

RestFolder::RestFolder() = default;

RestFolder::RestFolder(const QString& objectType, int id, const QString& name, const QString& path,
    const QString& type, int parentId, int projectId, const QString& url, int nrChildren, int nrItems)
    : RestObject(objectType, id, name, restFolderChildCount(nrChildren, nrItems))
    , m_path(path)
    , m_type(type)
    , m_url(url)
    , m_parentId(parentId)
    , m_projectId(projectId)
    , m_nrChildren(nrChildren)
    , m_nrItems(nrItems)
{ }

QString RestFolder::toString() const
{
    return baseTextRows() + QLatin1String("\nPath: ") + m_path + QLatin1String("\nType: ") + m_type
        + QLatin1String("\nParentID: ") + QString::number(m_parentId) + QLatin1String("\nProjectID: ")
        + QString::number(m_projectId) + QLatin1String("\nUrl: ") + m_url + QLatin1String("\nFolderscount: ")
        + QString::number(m_nrChildren) + QLatin1String("\nItemscount: ") + QString::number(m_nrItems)
        + QLatin1Char('\n');
}

QString RestFolder::toJson() const
{
    return baseJsonHead() + QLatin1String("\",\"Path\":\"") + jsonEscaped(m_path)
        + QLatin1String("\",\"Type\":\"") + jsonEscaped(m_type) + QLatin1String("\",\"ParentID\":")
        + QString::number(m_parentId) + QLatin1String(",\"ProjectID\":") + QString::number(m_projectId)
        + QLatin1String(",\"URL\":\"") + jsonEscaped(m_url) + QLatin1String("\",\"NrChildren\":")
        + QString::number(m_nrChildren) + QLatin1String(",\"NrItems\":") + QString::number(m_nrItems)
        + QLatin1Char('}');
}

bool RestFolder::operator==(const RestFolder& other) const
{
    return RestObject::operator==(other) && m_path == other.m_path && m_type == other.m_type
        && m_url == other.m_url && m_parentId == other.m_parentId && m_projectId == other.m_projectId
        && m_nrChildren == other.m_nrChildren && m_nrItems == other.m_nrItems;
}

bool RestFolder::operator!=(const RestFolder& other) const
{
    return !(*this == other);
}

QString RestFolder::path() const
{
    return m_path;
}

void RestFolder::setPath(const QString& path)
{
    m_path = path;
}

QString RestFolder::type() const
{
    return m_type;
}

void RestFolder::setType(const QString& type)
{
    m_type = type;
}

QString RestFolder::url() const
{
    return m_url;
}

void RestFolder::setUrl(const QString& url)
{
    m_url = url;
}

int RestFolder::parentId() const
{
    return m_parentId;
}

void RestFolder::setParentId(int parentId)
{
    m_parentId = parentId;
}

int RestFolder::projectId() const
{
    return m_projectId;
}

void RestFolder::setProjectId(int projectId)
{
    m_projectId = projectId;
}

int RestFolder::nrChildren() const
{
    return m_nrChildren;
}

int RestFolder::nrItems() const
{
    return m_nrItems;
}

void RestFolder::setNrChildren(int nrChildren)
{
    m_nrChildren = nrChildren;
    setChildCount(restFolderChildCount(m_nrChildren, m_nrItems));
}

void RestFolder::setNrItems(int nrItems)
{
    m_nrItems = nrItems;
    setChildCount(restFolderChildCount(m_nrChildren, m_nrItems));
}

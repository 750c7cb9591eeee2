#include "model/restobject.h"

#include "model/jsontext.h"

RestObject::RestObject() = default;

RestObject::RestObject(const QString& objectType, int id, const QString& name, int childCount)
    : m_objectType(objectType)
    , m_name(name)
    , m_id(id)
    , m_childCount(childCount)
{ }

RestObject::~RestObject() = default;

QString RestObject::toString() const
{
    return baseTextRows() + QLatin1Char('\n');
}

QString RestObject::toJson() const
{
    return baseJsonHead() + QLatin1String("\"}");
}

bool RestObject::operator==(const RestObject& other) const
{
    return m_objectType == other.m_objectType && m_name == other.m_name && m_id == other.m_id
        && m_childCount == other.m_childCount;
}

bool RestObject::operator!=(const RestObject& other) const
{
    return !(*this == other);
}

QString RestObject::objectType() const
{
    return m_objectType;
}

void RestObject::setObjectType(const QString& objectType)
{
    m_objectType = objectType;
}

QString RestObject::name() const
{
    return m_name;
}

void RestObject::setName(const QString& name)
{
    m_name = name;
}

int RestObject::id() const
{
    return m_id;
}

void RestObject::setId(int id)
{
    m_id = id;
}

int RestObject::childCount() const
{
    return m_childCount;
}

void RestObject::setChildCount(int childCount)
{
    m_childCount = childCount;
}

QString RestObject::baseTextRows() const
{
    return QLatin1String("ObjectType: ") + m_objectType + QLatin1String("\nId: ") + QString::number(m_id)
        + QLatin1String("\nName: ") + m_name + QLatin1String("\nChildcount: ")
        + QString::number(m_childCount);
}

QString RestObject::baseJsonHead() const
{
    return QLatin1String("{\"ObjectType\":\"") + jsonEscaped(m_objectType) + QLatin1String("\",\"ID\":")
        + QString::number(m_id) + QLatin1String(",\"Name\":\"") + jsonEscaped(m_name);
}

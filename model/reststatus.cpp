#include "model/reststatus.h"

RestStatus::RestStatus() = default;

RestStatus::RestStatus(int id, const QString& name, int sequence)
    : m_id(id)
    , m_sequence(sequence)
    , m_name(name)
{ }

bool RestStatus::operator==(const RestStatus& other) const
{
    return m_id == other.m_id && m_sequence == other.m_sequence && m_name == other.m_name;
}

bool RestStatus::operator!=(const RestStatus& other) const
{
    return !(*this == other);
}

int RestStatus::id() const
{
    return m_id;
}

void RestStatus::setId(int id)
{
    m_id = id;
}

int RestStatus::sequence() const
{
    return m_sequence;
}

void RestStatus::setSequence(int sequence)
{
    m_sequence = sequence;
}

QString RestStatus::name() const
{
    return m_name;
}

void RestStatus::setName(const QString& name)
{
    m_name = name;
}

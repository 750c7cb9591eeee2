#pragma once

#include <QString>

// One document status that a project offers, carried in the order and with the sequence the server gave.
class RestStatus final
{
public:
    RestStatus();
    RestStatus(int id, const QString& name, int sequence);

    bool operator==(const RestStatus& other) const;
    bool operator!=(const RestStatus& other) const;

    int id() const;
    void setId(int id);
    int sequence() const;
    void setSequence(int sequence);
    QString name() const;
    void setName(const QString& name);

private:
    int m_id = 0;
    int m_sequence = 0;
    QString m_name;
};

#pragma once

#include <QString>

// A project, folder or document as the server reports it, or the invisible root of the remote tree.
// Copyable value; the subclasses are handled through RestObject* and deleted through it.
class RestObject
{
public:
    RestObject();
    RestObject(const QString& objectType, int id, const QString& name, int childCount);
    RestObject(const RestObject&) = default;
    RestObject& operator=(const RestObject&) = default;
    RestObject(RestObject&&) = default;
    RestObject& operator=(RestObject&&) = default;
    virtual ~RestObject();

    // Multi-line diagnostic text; not escaped.
    virtual QString toString() const;
    // One-line JSON object; string values are escaped.
    virtual QString toJson() const;

    bool operator==(const RestObject& other) const;
    bool operator!=(const RestObject& other) const;

    QString objectType() const;
    void setObjectType(const QString& objectType);
    QString name() const;
    void setName(const QString& name);
    int id() const;
    void setId(int id);
    int childCount() const;
    void setChildCount(int childCount);

protected:
    // The text rows and the opening of the JSON object that every subclass repeats: the text ends after
    // the child count (no line break), the JSON after the name's value (no closing quote).
    QString baseTextRows() const;
    QString baseJsonHead() const;

private:
    QString m_objectType;
    QString m_name;
    int m_id = 0;
    int m_childCount = 0;
};

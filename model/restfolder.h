#pragma once

#include "model/restobject.h"

// A folder of a project. Its child count is always nrChildren + nrItems: the setters of the two keep it so.
class RestFolder final : public RestObject
{
public:
    RestFolder();
    RestFolder(const QString& objectType, int id, const QString& name, const QString& path,
        const QString& type, int parentId, int projectId, const QString& url, int nrChildren, int nrItems);

    QString toString() const override;
    QString toJson() const override;

    bool operator==(const RestFolder& other) const;
    bool operator!=(const RestFolder& other) const;

    QString path() const;
    void setPath(const QString& path);
    QString type() const;
    void setType(const QString& type);
    QString url() const;
    void setUrl(const QString& url);
    int parentId() const;
    void setParentId(int parentId);
    int projectId() const;
    void setProjectId(int projectId);
    int nrChildren() const;
    void setNrChildren(int nrChildren);
    int nrItems() const;
    void setNrItems(int nrItems);

private:
    QString m_path;
    QString m_type;
    QString m_url;
    int m_parentId = 0;
    int m_projectId = 0;
    int m_nrChildren = 0;
    int m_nrItems = 0;
};

#pragma once

#include "transfer/modelitemstatus.h"

#include <QList>
#include <QString>

// One project, folder or document of a download list. The list is flat and in pre-order: a parent comes
// before its descendants and lists their positions in children. name is also the name of the local
// folder or file that the download creates in localDir.
class DownloadItem
{
public:
    DownloadItem() = default;
    DownloadItem(const QString& objectType, int id, const QString& name, const QString& folderType,
        const QString& path, const QString& description, const QString& statusName,
        const ModelItemStatus& status, const QList<int>& children, const QString& localDir, int folderId);

    void addChild(int position);

    // A server name made safe as one local path component: the path separators (and NUL) become "_".
    // The result may still be unusable ("", ".", ".."); see isUsableLocalName.
    static QString localName(const QString& serverName);
    // Whether name can be created inside a folder without reaching outside it.
    static bool isUsableLocalName(const QString& name);

    int id() const { return m_id; }
    void setId(int id) { m_id = id; }
    int folderId() const { return m_folderId; }
    void setFolderId(int folderId) { m_folderId = folderId; }
    QString objectType() const { return m_objectType; }
    void setObjectType(const QString& objectType) { m_objectType = objectType; }
    QString name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    QString folderType() const { return m_folderType; }
    void setFolderType(const QString& folderType) { m_folderType = folderType; }
    QString path() const { return m_path; }
    void setPath(const QString& path) { m_path = path; }
    QString description() const { return m_description; }
    void setDescription(const QString& description) { m_description = description; }
    QString statusName() const { return m_statusName; }
    void setStatusName(const QString& statusName) { m_statusName = statusName; }
    QString localDir() const { return m_localDir; }
    void setLocalDir(const QString& localDir) { m_localDir = localDir; }
    ModelItemStatus status() const { return m_status; }
    void setStatus(const ModelItemStatus& status) { m_status = status; }
    QList<int> children() const { return m_children; }
    void setChildren(const QList<int>& children) { m_children = children; }
    // A document's size as the server listed it; 0 when unknown.
    qint64 size() const { return m_size; }
    void setSize(qint64 size) { m_size = size; }
    // A document's revision number as the server listed it; 0 when unknown.
    int revision() const { return m_revision; }
    void setRevision(int revision) { m_revision = revision; }

private:
    int m_id = 0;
    int m_folderId = 0;
    qint64 m_size = 0;
    int m_revision = 0;
    QString m_objectType;
    QString m_name;
    QString m_folderType;
    QString m_path;
    QString m_description;
    QString m_statusName;
    QString m_localDir;
    ModelItemStatus m_status { ModelItemStatus::Listed, QString() };
    QList<int> m_children;
};

#pragma once

#include "model/restobject.h"

#include <QDateTime>

// A document in a folder, described by its current revision. A document has no children; its upload
// time is held in UTC.
class RestDocument final : public RestObject
{
public:
    RestDocument();
    RestDocument(const QString& objectType, int id, const QString& name, int nrRevisions, int folderId,
        const QString& description, int authorId, const QDateTime& uploaded, int revisionNr, int revisionId,
        qint64 size, int statusId, int conversionStatus, int nrViews, int checkedOutById,
        const QString& checkedOutOn);

    // A fixed text; a document is shown through its fields.
    QString toString() const override;
    // Writes the upload time in Qt's text date format.
    QString toJson() const override;

    bool operator==(const RestDocument& other) const;
    bool operator!=(const RestDocument& other) const;

    int nrRevisions() const;
    void setNrRevisions(int nrRevisions);
    int folderId() const;
    void setFolderId(int folderId);
    int authorId() const;
    void setAuthorId(int authorId);
    int revisionNr() const;
    void setRevisionNr(int revisionNr);
    int revisionId() const;
    void setRevisionId(int revisionId);
    int statusId() const;
    void setStatusId(int statusId);
    int conversionStatus() const;
    void setConversionStatus(int conversionStatus);
    int nrViews() const;
    void setNrViews(int nrViews);
    int checkedOutById() const;
    void setCheckedOutById(int checkedOutById);
    qint64 size() const;
    void setSize(qint64 size);
    QString description() const;
    void setDescription(const QString& description);
    QString checkedOutOn() const;
    void setCheckedOutOn(const QString& checkedOutOn);
    QDateTime uploaded() const;
    void setUploaded(const QDateTime& uploaded);

private:
    int m_nrRevisions = 1;
    int m_folderId = 0;
    int m_authorId = 0;
    int m_revisionNr = 1;
    int m_revisionId = 0;
    int m_statusId = 0;
    int m_conversionStatus = 0;
    int m_nrViews = 0;
    int m_checkedOutById = 0;
    qint64 m_size = 0;
    QString m_description;
    QString m_checkedOutOn;
    QDateTime m_uploaded;
};

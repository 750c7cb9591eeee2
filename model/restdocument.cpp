#include "model/restdocument.h"

#include "model/jsontext.h"

RestDocument::RestDocument() = default;

RestDocument::RestDocument(const QString& objectType, int id, const QString& name, int nrRevisions,
    int folderId, const QString& description, int authorId, const QDateTime& uploaded, int revisionNr,
    int revisionId, qint64 size, int statusId, int conversionStatus, int nrViews, int checkedOutById,
    const QString& checkedOutOn)
    : RestObject(objectType, id, name, 0)
    , m_nrRevisions(nrRevisions)
    , m_folderId(folderId)
    , m_authorId(authorId)
    , m_revisionNr(revisionNr)
    , m_revisionId(revisionId)
    , m_statusId(statusId)
    , m_conversionStatus(conversionStatus)
    , m_nrViews(nrViews)
    , m_checkedOutById(checkedOutById)
    , m_size(size)
    , m_description(description)
    , m_checkedOutOn(checkedOutOn)
    , m_uploaded(uploaded)
{ }

QString RestDocument::toString() const
{
    return QStringLiteral("RestDocument toString() function");
}

QString RestDocument::toJson() const
{
    return baseJsonHead() + QLatin1String("\",\"NrRevisions\":") + QString::number(m_nrRevisions)
        + QLatin1String(",\"FolderID\":") + QString::number(m_folderId) + QLatin1String(",\"Description\":\"")
        + jsonEscaped(m_description) + QLatin1String("\",\"AuthorID\":") + QString::number(m_authorId)
        + QLatin1String(",\"Uploaded\":\"") + jsonEscaped(m_uploaded.toString(Qt::TextDate))
        + QLatin1String("\",\"RevisionNr\":") + QString::number(m_revisionNr)
        + QLatin1String(",\"RevisionID\":") + QString::number(m_revisionId) + QLatin1String(",\"Size\":")
        + QString::number(m_size) + QLatin1String(",\"StatusID\":") + QString::number(m_statusId)
        + QLatin1String(",\"ConversionStatus\":") + QString::number(m_conversionStatus)
        + QLatin1String(",\"NrViews\":") + QString::number(m_nrViews) + QLatin1String(",\"CheckedOutByID\":")
        + QString::number(m_checkedOutById) + QLatin1String(",\"CheckedOutOn\":\"")
        + jsonEscaped(m_checkedOutOn) + QLatin1String("\"}");
}

bool RestDocument::operator==(const RestDocument& other) const
{
    return RestObject::operator==(other) && m_nrRevisions == other.m_nrRevisions
        && m_folderId == other.m_folderId && m_authorId == other.m_authorId
        && m_revisionNr == other.m_revisionNr && m_revisionId == other.m_revisionId
        && m_statusId == other.m_statusId && m_conversionStatus == other.m_conversionStatus
        && m_nrViews == other.m_nrViews && m_checkedOutById == other.m_checkedOutById
        && m_size == other.m_size && m_description == other.m_description
        && m_checkedOutOn == other.m_checkedOutOn && m_uploaded == other.m_uploaded;
}

bool RestDocument::operator!=(const RestDocument& other) const
{
    return !(*this == other);
}

int RestDocument::nrRevisions() const
{
    return m_nrRevisions;
}

void RestDocument::setNrRevisions(int nrRevisions)
{
    m_nrRevisions = nrRevisions;
}

int RestDocument::folderId() const
{
    return m_folderId;
}

void RestDocument::setFolderId(int folderId)
{
    m_folderId = folderId;
}

int RestDocument::authorId() const
{
    return m_authorId;
}

void RestDocument::setAuthorId(int authorId)
{
    m_authorId = authorId;
}

int RestDocument::revisionNr() const
{
    return m_revisionNr;
}

void RestDocument::setRevisionNr(int revisionNr)
{
    m_revisionNr = revisionNr;
}

int RestDocument::revisionId() const
{
    return m_revisionId;
}

void RestDocument::setRevisionId(int revisionId)
{
    m_revisionId = revisionId;
}

int RestDocument::statusId() const
{
    return m_statusId;
}

void RestDocument::setStatusId(int statusId)
{
    m_statusId = statusId;
}

int RestDocument::conversionStatus() const
{
    return m_conversionStatus;
}

void RestDocument::setConversionStatus(int conversionStatus)
{
    m_conversionStatus = conversionStatus;
}

int RestDocument::nrViews() const
{
    return m_nrViews;
}

void RestDocument::setNrViews(int nrViews)
{
    m_nrViews = nrViews;
}

int RestDocument::checkedOutById() const
{
    return m_checkedOutById;
}

void RestDocument::setCheckedOutById(int checkedOutById)
{
    m_checkedOutById = checkedOutById;
}

qint64 RestDocument::size() const
{
    return m_size;
}

void RestDocument::setSize(qint64 size)
{
    m_size = size;
}

QString RestDocument::description() const
{
    return m_description;
}

void RestDocument::setDescription(const QString& description)
{
    m_description = description;
}

QString RestDocument::checkedOutOn() const
{
    return m_checkedOutOn;
}

void RestDocument::setCheckedOutOn(const QString& checkedOutOn)
{
    m_checkedOutOn = checkedOutOn;
}

QDateTime RestDocument::uploaded() const
{
    return m_uploaded;
}

void RestDocument::setUploaded(const QDateTime& uploaded)
{
    m_uploaded = uploaded;
}

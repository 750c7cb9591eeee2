#include "model/restproject.h"

#include "model/jsontext.h"

RestProject::RestProject() = default;

RestProject::RestProject(const QString& objectType, int id, const QString& name, int childCount,
    const QString& address, const QString& city, const QString& zip, int countryId, const QString& details,
    const QString& timeZone, int adminRoleId, int createdById, bool isLocked, bool isActive, bool isFree)
    : RestObject(objectType, id, name, childCount)
    , m_address(address)
    , m_city(city)
    , m_zip(zip)
    , m_details(details)
    , m_timezone(timeZone)
    , m_countryId(countryId)
    , m_adminRoleId(adminRoleId)
    , m_createdById(createdById)
    , m_isLocked(isLocked)
    , m_isActive(isActive)
    , m_isFree(isFree)
{ }

QString RestProject::toString() const
{
    return baseTextRows() + QLatin1String("\nAddress: ") + m_address + QLatin1String("\nCity: ") + m_city
        + QLatin1String("\nZip: ") + m_zip + QLatin1String("\nCountryID: ") + QString::number(m_countryId)
        + QLatin1String("\nDetails: ") + m_details + QLatin1String("\nTimezone: ") + m_timezone
        + QLatin1String("\nAdminRoleID: ") + QString::number(m_adminRoleId) + QLatin1String("\nCreatedByID: ")
        + QString::number(m_createdById) + QLatin1String("\nIsLocked: ") + boolText(m_isLocked)
        + QLatin1String("\nIsActive: ") + boolText(m_isActive) + QLatin1String("\nIsFree: ")
        + boolText(m_isFree) + QLatin1Char('\n');
}

QString RestProject::toJson() const
{
    return baseJsonHead() + QLatin1String("\",\"Address\":\"") + jsonEscaped(m_address)
        + QLatin1String("\",\"City\":\"") + jsonEscaped(m_city) + QLatin1String("\",\"Zip\":\"")
        + jsonEscaped(m_zip) + QLatin1String("\",\"CountryID\":") + QString::number(m_countryId)
        + QLatin1String(",\"Details\":\"") + jsonEscaped(m_details) + QLatin1String("\",\"Timezone\":\"")
        + jsonEscaped(m_timezone) + QLatin1String("\",\"AdminRoleID\":") + QString::number(m_adminRoleId)
        + QLatin1String(",\"CreatedByID\":") + QString::number(m_createdById)
        + QLatin1String(",\"IsLocked\":") + boolText(m_isLocked) + QLatin1String(",\"IsActive\":")
        + boolText(m_isActive) + QLatin1String(",\"IsFree\":") + boolText(m_isFree) + QLatin1Char('}');
}

bool RestProject::operator==(const RestProject& other) const
{
    return RestObject::operator==(other) && m_address == other.m_address && m_city == other.m_city
        && m_zip == other.m_zip && m_details == other.m_details && m_timezone == other.m_timezone
        && m_countryId == other.m_countryId && m_adminRoleId == other.m_adminRoleId
        && m_createdById == other.m_createdById && m_isLocked == other.m_isLocked
        && m_isActive == other.m_isActive && m_isFree == other.m_isFree;
}

bool RestProject::operator!=(const RestProject& other) const
{
    return !(*this == other);
}

QString RestProject::address() const
{
    return m_address;
}

void RestProject::setAddress(const QString& address)
{
    m_address = address;
}

QString RestProject::city() const
{
    return m_city;
}

void RestProject::setCity(const QString& city)
{
    m_city = city;
}

QString RestProject::zip() const
{
    return m_zip;
}

void RestProject::setZip(const QString& zip)
{
    m_zip = zip;
}

QString RestProject::details() const
{
    return m_details;
}

void RestProject::setDetails(const QString& details)
{
    m_details = details;
}

QString RestProject::timezone() const
{
    return m_timezone;
}

void RestProject::setTimezone(const QString& timeZone)
{
    m_timezone = timeZone;
}

int RestProject::countryId() const
{
    return m_countryId;
}

void RestProject::setCountryId(int countryId)
{
    m_countryId = countryId;
}

int RestProject::adminRoleId() const
{
    return m_adminRoleId;
}

void RestProject::setAdminRoleId(int adminRoleId)
{
    m_adminRoleId = adminRoleId;
}

int RestProject::createdById() const
{
    return m_createdById;
}

void RestProject::setCreatedById(int createdById)
{
    m_createdById = createdById;
}

bool RestProject::isLocked() const
{
    return m_isLocked;
}

void RestProject::setIsLocked(bool isLocked)
{
    m_isLocked = isLocked;
}

bool RestProject::isActive() const
{
    return m_isActive;
}

void RestProject::setIsActive(bool isActive)
{
    m_isActive = isActive;
}

bool RestProject::isFree() const
{
    return m_isFree;
}

void RestProject::setIsFree(bool isFree)
{
    m_isFree = isFree;
}

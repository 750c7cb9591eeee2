#include "model/restcontact.h"

RestContact::RestContact() = default;

RestContact::RestContact(int id, const QString& firstName, const QString& lastName, const QString& address,
    const QString& city, const QString& zip, const QString& state, int countryId, const QString& phone,
    const QString& fax, const QString& mobile, const QString& email, const QString& function,
    int organizationId, bool isAdmin)
    : m_firstName(firstName)
    , m_lastName(lastName)
    , m_address(address)
    , m_city(city)
    , m_zip(zip)
    , m_state(state)
    , m_phone(phone)
    , m_fax(fax)
    , m_mobile(mobile)
    , m_email(email)
    , m_function(function)
    , m_id(id)
    , m_countryId(countryId)
    , m_organizationId(organizationId)
    , m_isAdmin(isAdmin)
{ }

bool RestContact::operator==(const RestContact& other) const
{
    return m_objectType == other.m_objectType && m_firstName == other.m_firstName
        && m_lastName == other.m_lastName && m_address == other.m_address && m_city == other.m_city
        && m_zip == other.m_zip && m_state == other.m_state && m_phone == other.m_phone
        && m_fax == other.m_fax && m_mobile == other.m_mobile && m_email == other.m_email
        && m_function == other.m_function && m_id == other.m_id && m_countryId == other.m_countryId
        && m_organizationId == other.m_organizationId && m_isAdmin == other.m_isAdmin;
}

bool RestContact::operator!=(const RestContact& other) const
{
    return !(*this == other);
}

QString RestContact::objectType() const
{
    return m_objectType;
}

void RestContact::setObjectType(const QString& objectType)
{
    m_objectType = objectType;
}

QString RestContact::firstName() const
{
    return m_firstName;
}

void RestContact::setFirstName(const QString& firstName)
{
    m_firstName = firstName;
}

QString RestContact::lastName() const
{
    return m_lastName;
}

void RestContact::setLastName(const QString& lastName)
{
    m_lastName = lastName;
}

QString RestContact::address() const
{
    return m_address;
}

void RestContact::setAddress(const QString& address)
{
    m_address = address;
}

QString RestContact::city() const
{
    return m_city;
}

void RestContact::setCity(const QString& city)
{
    m_city = city;
}

QString RestContact::zip() const
{
    return m_zip;
}

void RestContact::setZip(const QString& zip)
{
    m_zip = zip;
}

QString RestContact::state() const
{
    return m_state;
}

void RestContact::setState(const QString& state)
{
    m_state = state;
}

QString RestContact::phone() const
{
    return m_phone;
}

void RestContact::setPhone(const QString& phone)
{
    m_phone = phone;
}

QString RestContact::fax() const
{
    return m_fax;
}

void RestContact::setFax(const QString& fax)
{
    m_fax = fax;
}

QString RestContact::mobile() const
{
    return m_mobile;
}

void RestContact::setMobile(const QString& mobile)
{
    m_mobile = mobile;
}

QString RestContact::email() const
{
    return m_email;
}

void RestContact::setEmail(const QString& email)
{
    m_email = email;
}

QString RestContact::function() const
{
    return m_function;
}

void RestContact::setFunction(const QString& function)
{
    m_function = function;
}

int RestContact::id() const
{
    return m_id;
}

void RestContact::setId(int id)
{
    m_id = id;
}

int RestContact::countryId() const
{
    return m_countryId;
}

void RestContact::setCountryId(int countryId)
{
    m_countryId = countryId;
}

int RestContact::organizationId() const
{
    return m_organizationId;
}

void RestContact::setOrganizationId(int organizationId)
{
    m_organizationId = organizationId;
}

bool RestContact::isAdmin() const
{
    return m_isAdmin;
}

void RestContact::setIsAdmin(bool isAdmin)
{
    m_isAdmin = isAdmin;
}

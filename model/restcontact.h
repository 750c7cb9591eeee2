#pragma once

#include <QString>

// The contact record of the logged-on user in a project.
class RestContact final
{
public:
    RestContact();
    RestContact(int id, const QString& firstName, const QString& lastName, const QString& address,
        const QString& city, const QString& zip, const QString& state, int countryId, const QString& phone,
        const QString& fax, const QString& mobile, const QString& email, const QString& function,
        int organizationId, bool isAdmin);

    bool operator==(const RestContact& other) const;
    bool operator!=(const RestContact& other) const;

    QString objectType() const;
    void setObjectType(const QString& objectType);
    QString firstName() const;
    void setFirstName(const QString& firstName);
    QString lastName() const;
    void setLastName(const QString& lastName);
    QString address() const;
    void setAddress(const QString& address);
    QString city() const;
    void setCity(const QString& city);
    QString zip() const;
    void setZip(const QString& zip);
    QString state() const;
    void setState(const QString& state);
    QString phone() const;
    void setPhone(const QString& phone);
    QString fax() const;
    void setFax(const QString& fax);
    QString mobile() const;
    void setMobile(const QString& mobile);
    QString email() const;
    void setEmail(const QString& email);
    QString function() const;
    void setFunction(const QString& function);
    int id() const;
    void setId(int id);
    int countryId() const;
    void setCountryId(int countryId);
    int organizationId() const;
    void setOrganizationId(int organizationId);
    bool isAdmin() const;
    void setIsAdmin(bool isAdmin);

private:
    QString m_objectType;
    QString m_firstName;
    QString m_lastName;
    QString m_address;
    QString m_city;
    QString m_zip;
    QString m_state;
    QString m_phone;
    QString m_fax;
    QString m_mobile;
    QString m_email;
    QString m_function;
    int m_id = 0;
    int m_countryId = 0;
    int m_organizationId = 0;
    bool m_isAdmin = false;
};

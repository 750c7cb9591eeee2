#pragma once

#include "model/restobject.h"

// A project of the logged-on user. Its child count is the number of its top-level folders, set by
// whoever read the folder list; it is not part of the JSON form.
class RestProject final : public RestObject
{
public:
    RestProject();
    RestProject(const QString& objectType, int id, const QString& name, int childCount,
        const QString& address, const QString& city, const QString& zip, int countryId,
        const QString& details, const QString& timeZone, int adminRoleId, int createdById, bool isLocked,
        bool isActive, bool isFree);

    QString toString() const override;
    QString toJson() const override;

    bool operator==(const RestProject& other) const;
    bool operator!=(const RestProject& other) const;

    QString address() const;
    void setAddress(const QString& address);
    QString city() const;
    void setCity(const QString& city);
    QString zip() const;
    void setZip(const QString& zip);
    QString details() const;
    void setDetails(const QString& details);
    QString timezone() const;
    void setTimezone(const QString& timeZone);
    int countryId() const;
    void setCountryId(int countryId);
    int adminRoleId() const;
    void setAdminRoleId(int adminRoleId);
    int createdById() const;
    void setCreatedById(int createdById);
    bool isLocked() const;
    void setIsLocked(bool isLocked);
    bool isActive() const;
    void setIsActive(bool isActive);
    bool isFree() const;
    void setIsFree(bool isFree);

private:
    QString m_address;
    QString m_city;
    QString m_zip;
    QString m_details;
    QString m_timezone;
    int m_countryId = 0;
    int m_adminRoleId = 0;
    int m_createdById = 0;
    bool m_isLocked = false;
    bool m_isActive = false;
    bool m_isFree = true;
};

#include "model/restfolderaccess.h"

#include "model/jsontext.h"

RestFolderAccess::RestFolderAccess() = default;

RestFolderAccess::RestFolderAccess(bool canViewOwn, bool canView, bool canPrint, bool canDownload,
    bool canAdd, bool canAddRevisionToOwn, bool canAddRevision, bool canAnnotate, bool canEditOwn,
    bool canEdit, bool canDeleteOwn, bool canDelete, bool canAddWorkflowToOwn, bool canAddWorkflow,
    bool canAddSubfolder, bool canAddFormToOwn, bool canAddForm, bool isAdmin)
    : m_canViewOwn(canViewOwn)
    , m_canView(canView)
    , m_canPrint(canPrint)
    , m_canDownload(canDownload)
    , m_canAdd(canAdd)
    , m_canAddRevisionToOwn(canAddRevisionToOwn)
    , m_canAddRevision(canAddRevision)
    , m_canAnnotate(canAnnotate)
    , m_canEditOwn(canEditOwn)
    , m_canEdit(canEdit)
    , m_canDeleteOwn(canDeleteOwn)
    , m_canDelete(canDelete)
    , m_canAddWorkflowToOwn(canAddWorkflowToOwn)
    , m_canAddWorkflow(canAddWorkflow)
    , m_canAddSubfolder(canAddSubfolder)
    , m_canAddFormToOwn(canAddFormToOwn)
    , m_canAddForm(canAddForm)
    , m_isAdmin(isAdmin)
{ }

QString RestFolderAccess::toJson() const
{
    return QLatin1String("{\"ObjectType\":\"") + jsonEscaped(m_objectType)
        + QLatin1String("\",\"CanViewOwn\":") + boolText(m_canViewOwn) + QLatin1String(",\"CanView\":")
        + boolText(m_canView) + QLatin1String(",\"CanPrint\":") + boolText(m_canPrint)
        + QLatin1String(",\"CanDownload\":") + boolText(m_canDownload) + QLatin1String(",\"CanAdd\":")
        + boolText(m_canAdd) + QLatin1String(",\"CanAddRevisionToOwn\":") + boolText(m_canAddRevisionToOwn)
        + QLatin1String(",\"CanAddRevision\":") + boolText(m_canAddRevision)
        + QLatin1String(",\"CanAnnotate\":") + boolText(m_canAnnotate) + QLatin1String(",\"CanEditOwn\":")
        + boolText(m_canEditOwn) + QLatin1String(",\"CanEdit\":") + boolText(m_canEdit)
        + QLatin1String(",\"CanDeleteOwn\":") + boolText(m_canDeleteOwn) + QLatin1String(",\"CanDelete\":")
        + boolText(m_canDelete) + QLatin1String(",\"CanAddWorkflowToOwn\":") + boolText(m_canAddWorkflowToOwn)
        + QLatin1String(",\"CanAddWorkflow\":") + boolText(m_canAddWorkflow)
        + QLatin1String(",\"CanAddSubfolder\":") + boolText(m_canAddSubfolder)
        + QLatin1String(",\"CanAddFormToOwn\":") + boolText(m_canAddFormToOwn)
        + QLatin1String(",\"CanAddForm\":") + boolText(m_canAddForm) + QLatin1String(",\"IsAdmin\":")
        + boolText(m_isAdmin) + QLatin1Char('}');
}

bool RestFolderAccess::operator==(const RestFolderAccess& other) const
{
    return m_objectType == other.m_objectType && m_canViewOwn == other.m_canViewOwn
        && m_canView == other.m_canView && m_canPrint == other.m_canPrint
        && m_canDownload == other.m_canDownload && m_canAdd == other.m_canAdd
        && m_canAddRevisionToOwn == other.m_canAddRevisionToOwn && m_canAddRevision == other.m_canAddRevision
        && m_canAnnotate == other.m_canAnnotate && m_canEditOwn == other.m_canEditOwn
        && m_canEdit == other.m_canEdit && m_canDeleteOwn == other.m_canDeleteOwn
        && m_canDelete == other.m_canDelete && m_canAddWorkflowToOwn == other.m_canAddWorkflowToOwn
        && m_canAddWorkflow == other.m_canAddWorkflow && m_canAddSubfolder == other.m_canAddSubfolder
        && m_canAddFormToOwn == other.m_canAddFormToOwn && m_canAddForm == other.m_canAddForm
        && m_isAdmin == other.m_isAdmin;
}

bool RestFolderAccess::operator!=(const RestFolderAccess& other) const
{
    return !(*this == other);
}

QString RestFolderAccess::objectType() const
{
    return m_objectType;
}

void RestFolderAccess::setObjectType(const QString& objectType)
{
    m_objectType = objectType;
}

bool RestFolderAccess::canViewOwn() const
{
    return m_canViewOwn;
}

void RestFolderAccess::setCanViewOwn(bool canViewOwn)
{
    m_canViewOwn = canViewOwn;
}

bool RestFolderAccess::canView() const
{
    return m_canView;
}

void RestFolderAccess::setCanView(bool canView)
{
    m_canView = canView;
}

bool RestFolderAccess::canPrint() const
{
    return m_canPrint;
}

void RestFolderAccess::setCanPrint(bool canPrint)
{
    m_canPrint = canPrint;
}

bool RestFolderAccess::canDownload() const
{
    return m_canDownload;
}

void RestFolderAccess::setCanDownload(bool canDownload)
{
    m_canDownload = canDownload;
}

bool RestFolderAccess::canAdd() const
{
    return m_canAdd;
}

void RestFolderAccess::setCanAdd(bool canAdd)
{
    m_canAdd = canAdd;
}

bool RestFolderAccess::canAddRevisionToOwn() const
{
    return m_canAddRevisionToOwn;
}

void RestFolderAccess::setCanAddRevisionToOwn(bool canAddRevisionToOwn)
{
    m_canAddRevisionToOwn = canAddRevisionToOwn;
}

bool RestFolderAccess::canAddRevision() const
{
    return m_canAddRevision;
}

void RestFolderAccess::setCanAddRevision(bool canAddRevision)
{
    m_canAddRevision = canAddRevision;
}

bool RestFolderAccess::canAnnotate() const
{
    return m_canAnnotate;
}

void RestFolderAccess::setCanAnnotate(bool canAnnotate)
{
    m_canAnnotate = canAnnotate;
}

bool RestFolderAccess::canEditOwn() const
{
    return m_canEditOwn;
}

void RestFolderAccess::setCanEditOwn(bool canEditOwn)
{
    m_canEditOwn = canEditOwn;
}

bool RestFolderAccess::canEdit() const
{
    return m_canEdit;
}

void RestFolderAccess::setCanEdit(bool canEdit)
{
    m_canEdit = canEdit;
}

bool RestFolderAccess::canDeleteOwn() const
{
    return m_canDeleteOwn;
}

void RestFolderAccess::setCanDeleteOwn(bool canDeleteOwn)
{
    m_canDeleteOwn = canDeleteOwn;
}

bool RestFolderAccess::canDelete() const
{
    return m_canDelete;
}

void RestFolderAccess::setCanDelete(bool canDelete)
{
    m_canDelete = canDelete;
}

bool RestFolderAccess::canAddWorkflowToOwn() const
{
    return m_canAddWorkflowToOwn;
}

void RestFolderAccess::setCanAddWorkflowToOwn(bool canAddWorkflowToOwn)
{
    m_canAddWorkflowToOwn = canAddWorkflowToOwn;
}

bool RestFolderAccess::canAddWorkflow() const
{
    return m_canAddWorkflow;
}

void RestFolderAccess::setCanAddWorkflow(bool canAddWorkflow)
{
    m_canAddWorkflow = canAddWorkflow;
}

bool RestFolderAccess::canAddSubfolder() const
{
    return m_canAddSubfolder;
}

void RestFolderAccess::setCanAddSubfolder(bool canAddSubfolder)
{
    m_canAddSubfolder = canAddSubfolder;
}

bool RestFolderAccess::canAddFormToOwn() const
{
    return m_canAddFormToOwn;
}

void RestFolderAccess::setCanAddFormToOwn(bool canAddFormToOwn)
{
    m_canAddFormToOwn = canAddFormToOwn;
}

bool RestFolderAccess::canAddForm() const
{
    return m_canAddForm;
}

void RestFolderAccess::setCanAddForm(bool canAddForm)
{
    m_canAddForm = canAddForm;
}

bool RestFolderAccess::isAdmin() const
{
    return m_isAdmin;
}

void RestFolderAccess::setIsAdmin(bool isAdmin)
{
    m_isAdmin = isAdmin;
}

#pragma once

#include <QString>

// The logged-on user's rights on one folder.
class RestFolderAccess final
{
public:
    RestFolderAccess();
    RestFolderAccess(bool canViewOwn, bool canView, bool canPrint, bool canDownload, bool canAdd,
        bool canAddRevisionToOwn, bool canAddRevision, bool canAnnotate, bool canEditOwn, bool canEdit,
        bool canDeleteOwn, bool canDelete, bool canAddWorkflowToOwn, bool canAddWorkflow,
        bool canAddSubfolder, bool canAddFormToOwn, bool canAddForm, bool isAdmin);

    // One-line JSON object, embedded in the body that creates a folder.
    QString toJson() const;

    bool operator==(const RestFolderAccess& other) const;
    bool operator!=(const RestFolderAccess& other) const;

    QString objectType() const;
    void setObjectType(const QString& objectType);
    bool canViewOwn() const;
    void setCanViewOwn(bool canViewOwn);
    bool canView() const;
    void setCanView(bool canView);
    bool canPrint() const;
    void setCanPrint(bool canPrint);
    bool canDownload() const;
    void setCanDownload(bool canDownload);
    bool canAdd() const;
    void setCanAdd(bool canAdd);
    bool canAddRevisionToOwn() const;
    void setCanAddRevisionToOwn(bool canAddRevisionToOwn);
    bool canAddRevision() const;
    void setCanAddRevision(bool canAddRevision);
    bool canAnnotate() const;
    void setCanAnnotate(bool canAnnotate);
    bool canEditOwn() const;
    void setCanEditOwn(bool canEditOwn);
    bool canEdit() const;
    void setCanEdit(bool canEdit);
    bool canDeleteOwn() const;
    void setCanDeleteOwn(bool canDeleteOwn);
    bool canDelete() const;
    void setCanDelete(bool canDelete);
    bool canAddWorkflowToOwn() const;
    void setCanAddWorkflowToOwn(bool canAddWorkflowToOwn);
    bool canAddWorkflow() const;
    void setCanAddWorkflow(bool canAddWorkflow);
    bool canAddSubfolder() const;
    void setCanAddSubfolder(bool canAddSubfolder);
    bool canAddFormToOwn() const;
    void setCanAddFormToOwn(bool canAddFormToOwn);
    bool canAddForm() const;
    void setCanAddForm(bool canAddForm);
    bool isAdmin() const;
    void setIsAdmin(bool isAdmin);

private:
    QString m_objectType;
    bool m_canViewOwn = false;
    bool m_canView = false;
    bool m_canPrint = false;
    bool m_canDownload = false;
    bool m_canAdd = false;
    bool m_canAddRevisionToOwn = false;
    bool m_canAddRevision = false;
    bool m_canAnnotate = false;
    bool m_canEditOwn = false;
    bool m_canEdit = false;
    bool m_canDeleteOwn = false;
    bool m_canDelete = false;
    bool m_canAddWorkflowToOwn = false;
    bool m_canAddWorkflow = false;
    bool m_canAddSubfolder = false;
    bool m_canAddFormToOwn = false;
    bool m_canAddForm = false;
    bool m_isAdmin = false;
};

#pragma once

#include <cstdint>
#include <initializer_list>

// The rights of one user on one folder: the service's 18 access flags, kept as a bit set.
class DemoAccess final
{
public:
    enum Flag
    {
        CanViewOwn,
        CanView,
        CanPrint,
        CanDownload,
        CanAdd,
        CanAddRevisionToOwn,
        CanAddRevision,
        CanAnnotate,
        CanEditOwn,
        CanEdit,
        CanDeleteOwn,
        CanDelete,
        CanAddWorkflowToOwn,
        CanAddWorkflow,
        CanAddSubfolder,
        CanAddFormToOwn,
        CanAddForm,
        IsAdmin,
        FlagCount
    };

    DemoAccess() = default;
    explicit DemoAccess(std::uint32_t bits);
    DemoAccess(std::initializer_list<Flag> flags);

    bool has(Flag flag) const;
    void set(Flag flag, bool on);
    std::uint32_t bits() const { return m_bits; }
    DemoAccess intersected(DemoAccess other) const;

    // The JSON key of a flag, e.g. "CanAddSubfolder".
    static const char* key(Flag flag);

    bool operator==(const DemoAccess& other) const { return m_bits == other.m_bits; }

private:
    std::uint32_t m_bits = 0;
};

#include "demoaccess.h"

namespace {
const char* const demoAccessKeys[DemoAccess::FlagCount] = {
    "CanViewOwn",
    "CanView",
    "CanPrint",
    "CanDownload",
    "CanAdd",
    "CanAddRevisionToOwn",
    "CanAddRevision",
    "CanAnnotate",
    "CanEditOwn",
    "CanEdit",
    "CanDeleteOwn",
    "CanDelete",
    "CanAddWorkflowToOwn",
    "CanAddWorkflow",
    "CanAddSubfolder",
    "CanAddFormToOwn",
    "CanAddForm",
    "IsAdmin",
};

const std::uint32_t demoAccessAllBits = (1u << DemoAccess::FlagCount) - 1;
} // namespace

DemoAccess::DemoAccess(std::uint32_t bits)
    : m_bits(bits & demoAccessAllBits)
{ }

DemoAccess::DemoAccess(std::initializer_list<Flag> flags)
{
    for (Flag flag : flags)
        set(flag, true);
}

bool DemoAccess::has(Flag flag) const
{
    return (m_bits >> flag) & 1u;
}

void DemoAccess::set(Flag flag, bool on)
{
    if (on)
        m_bits |= 1u << flag;
    else
        m_bits &= ~(1u << flag);
}

DemoAccess DemoAccess::intersected(DemoAccess other) const
{
    return DemoAccess(m_bits & other.m_bits);
}

const char* DemoAccess::key(Flag flag)
{
    return demoAccessKeys[flag];
}

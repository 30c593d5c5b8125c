#include "app/program-state.h"

namespace app {

ProgramState& ProgramState::instance()
{
    static ProgramState state;
    return state;
}

SiteConfig ProgramState::site() const
{
    std::lock_guard lock(m_mutex);
    return m_site;
}

void ProgramState::setSite(SiteConfig const& site)
{
    std::lock_guard lock(m_mutex);
    m_site = site;
}

CatalogueSelection ProgramState::selection() const
{
    std::lock_guard lock(m_mutex);
    return m_selection;
}

void ProgramState::setSelection(CatalogueSelection const& selection)
{
    std::lock_guard lock(m_mutex);
    m_selection = selection;
}

void ProgramState::setCatalogueAddress(std::string const& address)
{
    std::lock_guard lock(m_mutex);
    m_selection.catalogueAddress = address;
}

}  // namespace app

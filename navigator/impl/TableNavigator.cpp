#include "navigator/impl/TableNavigator.h"

namespace navigator::impl {

std::string TableNavigator::getInitialURL() {
    if (m_row.quietOff) setSilent(false);
    return address(m_row.first);
}

}  // namespace navigator::impl

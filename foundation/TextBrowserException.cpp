#include "foundation/TextBrowserException.h"

namespace foundation {

bool TextBrowserException::isExceptionNetworkRelated() const {
    const std::exception* e = m_exception.get();
    if (!e) return false;
    return dynamic_cast<const UnknownHostException*>(e) != nullptr || dynamic_cast<const SocketException*>(e) != nullptr;
}

}  // namespace foundation

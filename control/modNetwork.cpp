#include "control/modNetwork.h"

#include "platform/system/Connection.h"

namespace tiraleaf {

bool modNetwork::GetConnectionState() {
    sys::initConnectionCheck();
    return sys::isConnectedInternal();
}

}  // namespace tiraleaf

#pragma once
// The connected state behind the control's m_isConnected.

namespace tiraleaf {

class modNetwork {
public:
    // True when the machine has a working connection now.
    static bool GetConnectionState();
};

}  // namespace tiraleaf

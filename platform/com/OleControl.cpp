#include "platform/com/OleControl.h"

namespace com {

// Out of line, so that the interfaces' type information lives in the layer
// and modules refer to it.
OleControl::~OleControl() = default;
ClientSite::~ClientSite() = default;

}  // namespace com

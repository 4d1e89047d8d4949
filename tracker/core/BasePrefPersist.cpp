#include "tracker/core/BasePrefPersist.h"

#include "foundation/StrUtil.h"

namespace tracker {

bool BasePrefPersist::doesKeyBelongToUser(const std::string& key, const std::string& prefix) {
    if (key.size() < prefix.size() || key.compare(0, prefix.size(), prefix) != 0) return false;
    if (key.size() == prefix.size()) return true;
    size_t length = 0;
    return !foundation::StrUtil::isDecimalDigit(foundation::StrUtil::charAt(key, prefix.size(), length));
}

}  // namespace tracker

#pragma once
// What every settings store shares: the rule that tells one user's keys
// from another's.

#include <string>

#include "tracker/core/IPrefPersist.h"

namespace tracker {

class BasePrefPersist : public IPrefPersist {
public:
    // True when key begins with prefix and either is the prefix itself or
    // goes on with a character that is not a decimal digit: "User1" owns
    // "User1" and "User1AmericanUsername", not "User10" or "User12Aeroflot...".
    static bool doesKeyBelongToUser(const std::string& key, const std::string& prefix);
};

}  // namespace tracker

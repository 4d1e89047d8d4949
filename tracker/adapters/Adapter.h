#pragma once
// The base of every program adapter. An adapter is an account thread of one
// loyalty program: its update() logs into the program's site with the
// account's credentials, classifies the answer by markers and records one
// outcome. Self is the adapter class, which names its program key as
//
//   static constexpr const char* KEY = "American";
//
// Base is the account-thread class it extends: RLSource, or one of the
// shared program flows (CarlsonSource, LoyaltyGateSource).
//
// The adapter's record is the program table's row of its key. Its sites are
// host-table roles named after the key: url("site", "/login") is the address
// of "/login" on the role "American.site"; other roles ("secure",
// "reservations", ...) name the program's further hosts.
//
// Build marker tables inside update() (a function-local static, or a local
// when a marker holds configuration such as the site's domain name): the
// status texts they may name are not ready during static initialisation.

#include <functional>
#include <mutex>
#include <string>
#include <string_view>

#include "foundation/HostTable.h"
#include "tracker/adapters/AdapterKit.h"
#include "tracker/core/RLSource.h"

namespace tracker::adapters {

// Every error report of an adapter goes to the reporter as usual, and also
// to the observer when one is set (tests and diagnostics read them there).
class AdapterReports {
public:
    using Observer = std::function<void(const std::string& key, const std::string& userTag,
                                        const std::string& reportText)>;
    static void setObserver(Observer observer);
    static void notify(const std::string& key, const std::string& userTag, const std::string& reportText);

private:
    static std::mutex& lock();
    static Observer& observer();
};

template <class Self, class Base = RLSource>
class Adapter : public Base {
public:
    const SourceConfig& getSourceConfig() const override { return programConfig(Self::KEY); }

protected:
    // The address of path on one of the program's hosts.
    static std::string url(std::string_view role, const std::string& path) {
        return foundation::HostTable::url(roleName(role), path);
    }
    // The host name of a role, without scheme and port ("www.aa.com").
    static std::string hostName(std::string_view role) { return foundation::HostTable::host(roleName(role)); }
    // The name by which the program's pages call its site ("AA.com"), for
    // markers that contain it.
    static std::string domainName() { return foundation::HostTable::get(roleName("domainName")); }

    bool firstMarker(std::string_view page, const Markers& markers) {
        return adapters::firstMarker(*this, page, markers);
    }

    // The expected page never came: report why, then the Unknown status with
    // blank details and activity.
    void cannotDetermine(const std::string& info) {
        this->reportError(info);
        this->registerAllUnknown();
    }

    void sendErrorReport(const std::string& key, const std::string& uuid, const std::string& userTag,
                         const std::string& reportText) override {
        AdapterReports::notify(key, userTag, reportText);
        Base::sendErrorReport(key, uuid, userTag, reportText);
    }

private:
    static std::string roleName(std::string_view role) { return std::string(Self::KEY) + "." + std::string(role); }
};

}  // namespace tracker::adapters

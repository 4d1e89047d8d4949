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
#include <initializer_list>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/ExceptionUtil.h"
#include "foundation/HostTable.h"
#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "foundation/TextBrowser.h"
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

    // The passwords are also masked as a page carries them.
    std::string maskSecrets(const std::string& text) const override {
        std::vector<std::string> forms;
        for (const std::string* secret : {&this->m_password, &this->m_password2}) {
            const std::optional<std::string> form = inPageEncoding(*secret);
            if (form && *form != *secret) forms.push_back(*form);
        }
        const std::string masked = Base::maskSecrets(text);
        return forms.empty() ? masked : foundation::StrUtil::maskSecrets(masked, forms);
    }

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
    // The address of path on a role written for a form field or a query
    // value (":", "/", "," and the other characters of escapeLifted
    // percent-encoded, their hexadecimal digits in hexCase).
    static std::string escapedUrl(std::string_view role, const std::string& path,
                                  HexCase hexCase = HexCase::Upper) {
        return escapeLifted(url(role, path), hexCase);
    }

    // An image button's click position ("&name.x=..&name.y=..", the bare
    // keys x and y for an empty name), drawn from the adapters' random
    // source.
    void appendInputImage(std::string& body, std::string_view name, int xMax, int yMax) override {
        const std::string prefix = name.empty() ? std::string() : std::string(name) + ".";
        body += "&" + prefix + "x=" + std::to_string(AdapterRandom::rand(1, xMax));
        body += "&" + prefix + "y=" + std::to_string(AdapterRandom::rand(1, yMax));
    }

    // Puts a cookie into the client's jar by hand, as a site's script would
    // set it, for the host of role: its domain is "." and the role's domain
    // ("www.example.com" gives ".example.com").
    void addCookie(std::string_view role, const std::string& name, const std::string& value) {
        this->m_tb->addManualCookie("." + foundation::HostTable::domain(roleName(role)), name, value);
    }

    // Follows the script redirect of a page: the address between prefix
    // and the next suffix, appended as it stands to base when one is given,
    // else resolved against the address of the page (the last one fetched).
    // Answers the page it leads to. When the page names no address nothing
    // is requested: "No script redirect found for <Key>" is reported, the
    // Unknown status recorded, and the answer is absent.
    std::optional<std::string> followScriptRedirect(std::string_view page, std::string_view prefix,
                                                    std::string_view suffix, std::string_view base = {}) {
        const std::string target = lift(page, prefix, suffix);
        const std::optional<std::string> address =
            base.empty() ? resolveOnPage(target)
                         : (target.empty() ? std::nullopt : std::optional<std::string>(std::string(base) + target));
        if (!address) {
            cannotDetermine("No script redirect found for " + std::string(Self::KEY));
            return std::nullopt;
        }
        return this->doGet(*address);
    }

    // An address lifted from the page last fetched, made absolute against
    // that page's address as redirects are; absent when it is empty.
    std::optional<std::string> resolveOnPage(std::string_view lifted) const {
        const std::optional<std::string>& last = this->m_tb->getLastLocation();
        return resolveLifted(last ? *last : std::string(), lifted);
    }

    // A closing request made after the outcome is recorded (a log-out): it
    // never changes the outcome. Its failure is logged as "Log-out failed
    // for <Key>".
    void logOut(const std::function<void()>& request) {
        try {
            request();
        } catch (const std::exception& failure) {
            foundation::Logger::warning("Log-out failed for " + std::string(Self::KEY) + ": " +
                                        this->maskSecrets(foundation::ExceptionUtil::getStackTrace(failure)));
        }
    }

    // The balance between start and end, searched from one past its label.
    // A label without its figure is a provider problem; a missing label
    // leaves the value empty, which the number check records as Unknown.
    void registerBalanceUnderLabel(std::string_view page, std::string_view label, std::string_view start,
                                   std::string_view end) {
        const int at = positionOf(page, label);
        const std::string balance = betweenFrom(page, at < 0 ? -1 : at + 1, start, end);
        if (at >= 0 && balance.empty()) {
            this->registerProviderProblem();
        } else {
            this->registerBalance(balance);
        }
    }

    // rebuildTable over a table whose kept texts pass the cell splitting as
    // placeholders and come back as their restored texts. A table whose
    // other line breaks may still split cells names how many leftover cells
    // it expects (rebuildTable's longest form).
    std::string rebuildTableKeeping(std::string_view html, const std::vector<std::string>& headings,
                                    const std::vector<std::string>& alignments, int firstCell, bool stripLineBreaks,
                                    const std::vector<KeptText>& kept, int minLeftoverCells = 0,
                                    int maxLeftoverCells = 0) {
        const std::string rows = this->rebuildTable(replaceKept(std::string(html), kept), headings, alignments,
                                                    firstCell, stripLineBreaks, minLeftoverCells, maxLeftoverCells);
        return restoreKept(rows, kept);
    }

    bool firstMarker(std::string_view page, const Markers& markers) {
        return adapters::firstMarker(*this, page, markers);
    }

    // The expected page never came: report why, then the Unknown status with
    // blank details and activity.
    void cannotDetermine(const std::string& info) {
        this->reportError(info);
        this->registerAllUnknown();
    }

    // Values lifted from a login page that the next request needs, with the
    // one text that reports any of them missing: true when none is empty;
    // else cannotDetermine(info) and false, and nothing is requested.
    bool requireLifted(std::initializer_list<std::string_view> values, const std::string& info) {
        for (std::string_view value : values) {
            if (value.empty()) {
                cannotDetermine(info);
                return false;
            }
        }
        return true;
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

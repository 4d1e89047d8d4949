#pragma once
// The fixed description of one loyalty program: its adapter, key, names,
// credential labels, forum ids, abbreviation, number format and flags.

#include <functional>
#include <memory>
#include <string>

namespace tracker {

class RLSource;

// Creates one account thread object of a program's adapter.
using SourceClass = std::function<std::shared_ptr<RLSource>()>;

class SourceConfig {
public:
    SourceConfig(SourceClass sourceClass, std::string key, std::string display, std::string usernameLabel,
                 std::string passwordLabel, std::string password2Label, std::string flyerTalkForum,
                 std::string itytForum, std::string abbreviation, int minDecimals, int maxDecimals,
                 float normalizeFactor, bool sourcingAllowed, bool navigationAllowed, bool detailsTracked,
                 bool transactionsTracked);

    // The factory given at construction, else the one an adapter registered
    // for this key; empty while no adapter is known for the program.
    SourceClass getSourceClass() const;
    // A new account thread object, or nullptr when the program has no adapter
    // (a factory that throws propagates to the caller).
    std::shared_ptr<RLSource> createSource() const;

    const std::string& getKey() const { return m_key; }
    const std::string& getDisplay() const { return m_display; }
    const std::string& getUsernameLabel() const { return m_usernameLabel; }
    const std::string& getPasswordLabel() const { return m_passwordLabel; }
    const std::string& getPassword2Label() const { return m_password2Label; }
    const std::string& getFlyerTalkForum() const { return m_flyerTalkForum; }
    const std::string& getITYTForum() const { return m_itytForum; }
    const std::string& getAbbreviation() const { return m_abbreviation; }
    int getMinDecimals() const { return m_minDecimals; }
    int getMaxDecimals() const { return m_maxDecimals; }
    float getNormalizeFactor() const { return m_normalizeFactor; }
    bool isSourcingAllowed() const { return m_isSourcingAllowed; }
    bool isNavigationAllowed() const { return m_isNavigationAllowed; }
    bool areDetailsTracked() const { return m_areDetailsTracked; }
    bool areTransactionsTracked() const { return m_areTransactionsTracked; }

    // Forum links; empty when the program has no such forum.
    std::string getFlyerTalkURL() const;
    std::string getITYTURL() const;

    // Adapters make themselves known by program key; a later registration
    // for the same key replaces the earlier one. Answers true when the key
    // was not registered before.
    static bool registerSourceClass(const std::string& key, SourceClass factory);
    static void unregisterSourceClass(const std::string& key);

    // Host-table roles of the two forums.
    static constexpr const char* FLYERTALK_SITE = "FlyerTalk.site";
    static constexpr const char* ITYT_SITE = "ITYT.site";
    static constexpr const char* FLYERTALK_PATH = "/forum/forumdisplay.php?f=";
    static constexpr const char* ITYT_PATH = "/forums/viewforum.php?f=";

private:
    SourceClass m_sourceClass;
    std::string m_key;
    std::string m_display;
    std::string m_usernameLabel;
    std::string m_passwordLabel;
    std::string m_password2Label;
    std::string m_flyerTalkForum;
    std::string m_itytForum;
    std::string m_abbreviation;
    int m_minDecimals;
    int m_maxDecimals;
    float m_normalizeFactor;
    bool m_isSourcingAllowed;
    bool m_isNavigationAllowed;
    bool m_areDetailsTracked;
    bool m_areTransactionsTracked;
};

}  // namespace tracker

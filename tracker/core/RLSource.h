#pragma once
// The tracker's account thread, which every program adapter extends: the
// account it retrieves, the credential length check, the web client, and the
// operations through which an adapter records what it found.
//
// Recording. Every recording (balance, status, details, activity) goes to
// the account row of the tracker preferences at once and sets the engine's
// changed flag. Recordings are serialised per source; once a stop was
// requested, a recording that the source's own thread attempts is dropped.
// The engine records the timed-out status with timeOut(), which holds the
// recording lock while it stops the source, so no late recording of the
// source can overwrite it.
//
// Stored texts. Balances, details and activity are stored as UTF-8 (scraped
// page text of one byte per character is converted where it is recorded).
// Details and activity are stored ready to sit inside a single-quoted
// script string of a generated page: backslashes doubled, every quote of
// either kind (and "&#39;", "&#34;") as \', carriage return and line feed as
// \r and \n, and "</" as "<\/". Page writers put them in unchanged.
//
// Secrets. The account's passwords never leave the source in a log line or
// a report: every such text has them (raw and form-encoded) replaced by
// "********".
//
// What the engine calls (besides BaseSource's): setUser after setEngine;
// timeOut() when its watchdog gives up on a running source; cancel() for a
// running source when the user cancels. Both count the source once in the
// engine's completion count and tell the window. registerBalance(text, false)
// from the engine thread is accepted too, but only timeOut() is safe against
// a late recording of the source.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "tracker/core/BaseSource.h"

namespace tracker {

class RLSource : public BaseSource {
public:
    RLSource();
    ~RLSource() override;

    // --- thread and account ----------------------------------------------
    // Records all zero; adapters override it.
    void update() override;
    void logTextBrowserException(const foundation::TextBrowserException& failure) override;
    void init() override;

    // A limit of 0 is not checked. Only logs and sets the two flags that
    // isInvalidLogin reads.
    virtual void validateLoginLengths(int usernameExact, int usernameMin, int usernameMax, int passwordExact,
                                      int passwordMin, int passwordMax, int password2Exact, int password2Min,
                                      int password2Max);
    virtual void validateLoginLengths(int usernameExact, int usernameMin, int usernameMax, int passwordExact,
                                      int passwordMin, int passwordMax);
    // Binds the source to the user's account row of its program.
    virtual void setUser(int user);

    // --- recording ---------------------------------------------------------
    virtual void registerZeroBalance();
    virtual void registerTransactionsNotTracked();
    virtual void registerTransactions(const std::string& rows);
    virtual void registerProviderProblem();
    virtual void registerNoRecentTransactions();
    virtual void registerLoginLength();
    virtual void registerDetailsNotTracked();
    virtual void registerDetails(const std::string& rows);
    virtual void registerBlankTransactions();
    virtual void registerBlankDetails();
    // A number is cleaned and checked (result false and the Unknown status
    // when it is no usable number); a status text is stored as given.
    virtual bool registerBalance(const std::string& value, bool isNumber, bool noUnknownReport, int subtractFrom);
    virtual bool registerBalance(const std::string& value, bool isNumber);
    virtual bool registerBalance(const std::string& value);
    virtual void registerAllZero();
    virtual void registerAllUnknown();

    // Activity rows from a scraped table: a heading row, then the cells after
    // firstCell in rows of headings.size() cells. Inputs are checked; on bad
    // input the part built so far is returned.
    virtual std::string rebuildTable(std::string_view html, const std::vector<std::string>& headings,
                                     const std::vector<std::string>& alignments, int firstCell,
                                     bool stripLineBreaks);
    // The same; a number of leftover cells (cells after firstCell that do not
    // fill a row) from minLeftoverCells to maxLeftoverCells is expected and
    // not reported, for tables whose line breaks may split cells. The
    // five-argument form is this one with 0 and 0.
    virtual std::string rebuildTable(std::string_view html, const std::vector<std::string>& headings,
                                     const std::vector<std::string>& alignments, int firstCell,
                                     bool stripLineBreaks, int minLeftoverCells, int maxLeftoverCells);
    virtual std::string nextRowClass();

    virtual bool isProviderProblem(std::string_view page, std::string_view marker);
    virtual bool isMaintenance(std::string_view page, std::string_view marker);
    // Records the login-length status instead when a length rule failed.
    virtual bool isInvalidLogin(std::string_view page, std::string_view marker);
    virtual bool isInteractionRequired(std::string_view page, std::string_view marker);
    virtual bool isBlockedLogin(std::string_view page, std::string_view marker);
    virtual std::string getDisplay() const;
    virtual std::string blobCheck(std::string_view value, int minLength, int maxLength);
    virtual void appendInputImage(std::string& body, std::string_view name, int xMax, int yMax);

    // Details rows: label, then the value found after the markers in the
    // page. Each returns the position of the last marker (-1 when missing,
    // so the next search starts at the top of the page).
    virtual int addDetailsRowB2(std::string& rows, std::string_view label, std::string_view marker, int minLength,
                                int maxLength, int fromIndex, std::string_view page, std::string_view before,
                                std::string_view after);
    virtual int addDetailsRowB1(std::string& rows, std::string_view label, std::string_view marker1,
                                std::string_view marker2, int minLength, int maxLength, int fromIndex,
                                std::string_view page, std::string_view before, std::string_view after,
                                bool stripLineBreaks);
    virtual int addDetailsRowB1(std::string& rows, std::string_view label, std::string_view marker1,
                                std::string_view marker2, int minLength, int maxLength, int fromIndex,
                                std::string_view page, std::string_view before, std::string_view after);
    virtual int addDetailsRowA(std::string& rows, std::string_view label, std::string_view marker1,
                               std::string_view marker2, std::string_view before, std::string_view after,
                               int minLength, int maxLength, int fromIndex, std::string_view page);
    virtual void addDetailsRow(std::string& rows, std::string_view label, std::string_view value);

    // --- non-virtual helpers and getters ----------------------------------
    // "d" for odd n, else "l".
    static std::string rowClassForIndex(int n);
    bool isBadLogin(std::string_view page, std::string_view marker, const std::string& status);

    bool isSourcingAllowed() const;
    bool isNavigationAllowed() const;
    std::string getUsernameLabel() const;
    std::string getPasswordLabel() const;
    std::string getPassword2Label() const;
    float getNormalizeFactor() const;
    int getMinDecimals() const;
    int getMaxDecimals() const;
    std::string getITYTURL() const;
    std::string getFlyerTalkURL() const;
    std::string getAbbreviation() const;
    bool areTransactionsTracked() const;
    bool areDetailsTracked() const;

    int getUser() const { return m_user; }
    const std::string& getUsername() const { return m_username; }
    bool isUsernameLengthMayBeInvalid() const { return usernameLengthMayBeInvalid; }
    bool isPasswordLengthMayBeInvalid() const { return passwordLengthMayBeInvalid; }
    // True once this source recorded a balance or status.
    bool isBalanceRecorded() const { return m_balanceRecorded.load(std::memory_order_acquire); }

    // --- engine side -------------------------------------------------------
    // Claims the source's one count, clears the running flag, requests the
    // stop, records the timed-out status and tells the window. A source
    // whose body ended and counted itself first keeps what it recorded.
    void timeOut();
    // Claims the source's one count, clears the running flag, requests the
    // stop and tells the window; records nothing.
    void cancel();

    // --- shared by adapters -----------------------------------------------
    // A credential for a form body or a query: "&", "=", "+", "%", "#",
    // blank, control characters and characters above 0x7E are
    // percent-encoded (the low 8 bits of the character), the rest go as
    // typed.
    static std::string encodeFormValue(std::string_view value);
    // Page text of one byte per character as UTF-8; text that already is
    // valid UTF-8 stays as it is.
    static std::string toRecordedText(std::string_view text);
    // Quote folding and script-string safety of stored details and activity.
    static std::string foldQuotes(std::string_view text);
    // The platform's text of a float ("12.0", "0.5", "1.0E10").
    static std::string floatToText(float value);

protected:
    void handleBodyFailure(const std::exception* failure) override;
    void afterUpdate() override;
    std::string getReportUsername() const override { return m_username; }
    std::string maskSecrets(const std::string& text) const override;
    // The account's passwords, which its client and its texts hide.
    std::vector<std::string> secrets() const;

    std::string m_username;
    std::string m_password;
    std::string m_password2;
    int m_user = 0;
    bool usernameLengthMayBeInvalid = false;
    bool passwordLengthMayBeInvalid = false;
    int m_rowCount = 0;

private:
    // Whether a recording may go ahead now (caller holds m_recordLock).
    bool mayRecord() const;
    void storeBalance(const std::string& value);
    void storeDetails(const std::string& html);
    void storeTransactions(const std::string& html);
    void markDataUpdated();

    mutable std::recursive_mutex m_recordLock;
    bool m_engineRecording = false;
    std::atomic<bool> m_balanceRecorded{false};
};

}  // namespace tracker

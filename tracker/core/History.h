#pragma once
// The balance history: every point seen for each (user, program), read
// lazily from "Roamledger.history" in the working folder, with the points
// added during this run appended to the file at the window's close.
//
// Class-wide store, shared by the engine thread and the window's thread under
// one lock. The lock is never held while the preferences are asked, so the
// preferences may call removeUser while holding their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tracker/core/HistoryEntry.h"

namespace tracker {

class History {
public:
    History() = delete;

    static void addEntry(int user, std::string_view source, int64_t date, float balance);
    static void addEntry(const HistoryEntry& entry);

    // The points of one user and abbreviation in list order, or newest first
    // when "OptReverseHistory" is on. Loads the file first when needed.
    static std::vector<HistoryEntry> getEntries(int user, std::string_view source);
    // The same with the order given (no preference is read).
    static std::vector<HistoryEntry> getEntries(int user, std::string_view source, bool reverse);

    // "name;abbreviation;decimals;seconds;balance;..." for the details popup
    // and the charts; absent when the account has no point or the key is
    // unknown.
    static std::optional<std::string> generateHistoryHTML(int user, const std::string& programKey);

    static bool doesHistoryExist();
    static void markHistoryAsExisting();
    static bool isHistoryLoaded();

    // Reads the file. A malformed line is skipped and logged; a missing file
    // is logged once and leaves the load undone, so it is tried again.
    static void load();
    // Appends the points added since the last save. A failed write leaves the
    // file as it was and keeps the points for a later save.
    static void save();

    // A user was removed: its points go, later users' points move down one
    // index, in memory and in the file (rewritten whole). False when the file
    // could not be rewritten (it is then unchanged).
    static bool removeUser(int user);

    // Makes the preferences tell the history of every user they remove.
    // Done at the first use of the store; the engine and the Users and
    // Accounts dialog ask for it again.
    static void connectToPreferences();

    static std::string getFilePath();
    // Number of points known (loaded and added).
    static size_t size();
    // Points added since the last save.
    static size_t newEntryCount();

    // Starts the store afresh for the current working folder: the lists are
    // emptied and the file's existence is tested again.
    static void reset();
};

}  // namespace tracker

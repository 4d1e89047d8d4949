#pragma once
// Process-wide generic settings of the tracker: thread limits, time-outs,
// navigator options, logging level, launch statistics and window geometry.
// Each value lives in memory, is read from the settings store once at start
// and written back to the store at every change.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "tracker/core/IPrefPersist.h"

namespace tracker {

// A text read and written whole from several threads.
class SharedText {
public:
    explicit SharedText(std::string value = "") : m_value(std::move(value)) {}
    std::string get() const {
        std::lock_guard<std::mutex> guard(m_lock);
        return m_value;
    }
    void set(std::string value) {
        std::lock_guard<std::mutex> guard(m_lock);
        m_value = std::move(value);
    }

private:
    mutable std::mutex m_lock;
    std::string m_value;
};

class BasePreferences {
public:
    static constexpr const char* PREF_MAX_THREADS_HIGH = "OptMaxThreads";
    static constexpr const char* PREF_MAX_THREADS_LOW = "OptMaxThreadsLow";
    static constexpr const char* PREF_NICE_LEVEL = "OptNiceLevel";
    static constexpr const char* PREF_THREAD_POLL = "OptThreadPoll";
    static constexpr const char* PREF_PAGE_TIMEOUT = "OptPageTimeout";
    static constexpr const char* PREF_OVERALL_TIMEOUT = "OptOverallTimeout";
    static constexpr const char* PREF_HIDE_NAVIGATOR = "OptHideNavigator";
    static constexpr const char* PREF_CLOSE_NAVIGATORS = "OptCloseNavigators";
    static constexpr const char* PREF_PERSIST_DOWNLOADS = "OptPersistDownloads";
    static constexpr const char* PREF_LOGGING_LEVEL = "OptLoggingLevel";
    static constexpr const char* PREF_LAST_RUN_DATE = "StatLastRunDate";
    static constexpr const char* PREF_LAUNCH_COUNT = "StatLaunchCount";
    static constexpr const char* PREF_PANEL_POPUP_DATE = "StatPanelPopupDate";
    static constexpr const char* PREF_WINDOW_X = "OptWindowX";
    static constexpr const char* PREF_WINDOW_Y = "OptWindowY";
    static constexpr const char* PREF_WINDOW_WIDTH = "OptWindowWidth";
    static constexpr const char* PREF_WINDOW_HEIGHT = "OptWindowHeight";
    static constexpr const char* PREF_DURATION_LAST_LAUNCH = "DurationLastLaunch";

    static constexpr int DEFAULT_MAX_THREADS_HIGH = 8;
    static constexpr int DEFAULT_MAX_THREADS_LOW = 3;
    static constexpr int DEFAULT_NICE_LEVEL = 0;
    static constexpr int DEFAULT_THREAD_POLL = 2500;
    static constexpr int DEFAULT_PAGE_TIMEOUT = 60000;
    static constexpr int DEFAULT_OVERALL_TIMEOUT = 240000;
    static constexpr const char* DEFAULT_HIDE_NAVIGATOR = "false";
    static constexpr const char* DEFAULT_CLOSE_NAVIGATORS = "false";
    static constexpr const char* DEFAULT_PERSIST_DOWNLOADS = "false";
    static constexpr int DEFAULT_LOGGING_LEVEL = 3;
    static constexpr int64_t DEFAULT_LAST_RUN_DATE = 0;
    static constexpr int DEFAULT_LAUNCH_COUNT = 0;
    static constexpr int64_t DEFAULT_PANEL_POPUP_DATE = 0;
    static constexpr int DEFAULT_WINDOW_X = 0;
    static constexpr int DEFAULT_WINDOW_Y = 0;
    static constexpr int DEFAULT_WINDOW_WIDTH = 9825;
    static constexpr int DEFAULT_WINDOW_HEIGHT = 7185;
    static constexpr int DEFAULT_DURATION_LAST_LAUNCH = 0;

    // Load rules: more threads than this are cut to it (and written back);
    // narrower or lower windows than these take the default size.
    static constexpr int MAX_THREADS_LIMIT = 15;
    static constexpr int MIN_WINDOW_WIDTH = 7290;
    static constexpr int MIN_WINDOW_HEIGHT = 3600;

    // Binds the store, loads it and reads the options above.
    static void loadPrefs(const std::string& name, std::shared_ptr<IPrefPersist> store);
    // "DurationLastLaunch" = whole seconds of this run, then the file is saved.
    static void savePrefs();

    // Pass-throughs for keys owned elsewhere; without a store the default.
    static int getIntPreference(const std::string& key, int defaultValue);
    static void setIntPreference(const std::string& key, int value);
    static int64_t getLongPreference(const std::string& key, int64_t defaultValue);
    static void setLongPreference(const std::string& key, int64_t value);
    static std::string getStringPreference(const std::string& key, const std::string& defaultValue);
    static void setStringPreference(const std::string& key, const std::string& value);

    static int getMaxThreadsHigh() { return m_maxThreadsHigh.load(); }
    static int getMaxThreadsLow() { return m_maxThreadsLow.load(); }
    static int getNiceLevel() { return m_niceLevel.load(); }
    static int getThreadPoll() { return m_threadPoll.load(); }
    static int getPageTimeout() { return m_pageTimeout.load(); }
    static int getOverallTimeout() { return m_overallTimeout.load(); }
    static bool getHideNavigator() { return isTrueText(m_hideNavigator.get()); }
    static bool getCloseNavigators() { return isTrueText(m_closeNavigators.get()); }
    static bool getPersistDownloads() { return isTrueText(m_persistDownloads.get()); }
    static int getLoggingLevel() { return m_loggingLevel.load(); }
    static int64_t getLastRunDate() { return m_lastRunDate.load(); }
    static int getLaunchCount() { return m_launchCount.load(); }
    static int64_t getPanelPopupDate() { return m_panelPopupDate.load(); }
    static int getWindowX() { return m_windowX.load(); }
    static int getWindowY() { return m_windowY.load(); }
    static int getWindowWidth() { return m_windowWidth.load(); }
    static int getWindowHeight() { return m_windowHeight.load(); }
    static int getDurationLastLaunch() { return m_durationLastLaunch.load(); }
    // Milliseconds since 1970 at which this run loaded its preferences.
    static int64_t getStartThisLaunch() { return m_startThisLaunch.load(); }

    // Setters keep the value as given (the Options dialog limits what it
    // offers) and write it to the store at once.
    static void setMaxThreadsHigh(int value);
    static void setMaxThreadsLow(int value);
    static void setNiceLevel(int value);
    static void setThreadPoll(int value);
    static void setPageTimeout(int value);
    static void setOverallTimeout(int value);
    static void setLoggingLevel(int value);
    static void setLaunchCount(int value);
    static void setWindowX(int value);
    static void setWindowY(int value);
    static void setWindowWidth(int value);
    static void setWindowHeight(int value);
    static void setLastRunDate(int64_t value);
    static void setPanelPopupDate(int64_t value);
    static void setHideNavigator(bool value);
    static void setCloseNavigators(bool value);
    static void setPersistDownloads(bool value);
    // The same with the option's text, kept as given (any text other than
    // "true" in some case reads as false).
    static void setHideNavigator(const std::string& text);
    static void setCloseNavigators(const std::string& text);
    static void setPersistDownloads(const std::string& text);
    static void setHideNavigator(const char* text) { setHideNavigator(std::string(text)); }
    static void setCloseNavigators(const char* text) { setCloseNavigators(std::string(text)); }
    static void setPersistDownloads(const char* text) { setPersistDownloads(std::string(text)); }

    // The bound store (nullptr before loadPrefs).
    static std::shared_ptr<IPrefPersist> getPrefPersist();

    static int64_t currentTimeMillis();
    // A stored boolean option: true exactly for "true" in any case.
    static bool isTrueText(const std::string& text);
    static const char* booleanText(bool value) { return value ? "true" : "false"; }

protected:
    static void setPrefPersist(std::shared_ptr<IPrefPersist> store);
    // Stores a value under a key when a store is bound.
    static void storeString(const std::string& key, const std::string& value);
    static void storeInt(const std::string& key, int value);
    static void storeLong(const std::string& key, int64_t value);

    static std::atomic<int> m_maxThreadsHigh;
    static std::atomic<int> m_maxThreadsLow;
    static std::atomic<int> m_niceLevel;
    static std::atomic<int> m_threadPoll;
    static std::atomic<int> m_pageTimeout;
    static std::atomic<int> m_overallTimeout;
    // Boolean options are kept as their stored text.
    static SharedText m_hideNavigator;
    static SharedText m_closeNavigators;
    static SharedText m_persistDownloads;
    static std::atomic<int> m_loggingLevel;
    static std::atomic<int64_t> m_lastRunDate;
    static std::atomic<int> m_launchCount;
    static std::atomic<int64_t> m_panelPopupDate;
    static std::atomic<int> m_windowX;
    static std::atomic<int> m_windowY;
    static std::atomic<int> m_windowWidth;
    static std::atomic<int> m_windowHeight;
    static std::atomic<int> m_durationLastLaunch;
    static std::atomic<int64_t> m_startThisLaunch;

private:
    static std::mutex m_storeLock;
    static std::shared_ptr<IPrefPersist> m_prefPersist;
};

}  // namespace tracker

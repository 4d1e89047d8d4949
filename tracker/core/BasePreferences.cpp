#include "tracker/core/BasePreferences.h"

#include <chrono>

#include "platform/system/Ascii.h"

namespace tracker {

std::atomic<int> BasePreferences::m_maxThreadsHigh{DEFAULT_MAX_THREADS_HIGH};
std::atomic<int> BasePreferences::m_maxThreadsLow{DEFAULT_MAX_THREADS_LOW};
std::atomic<int> BasePreferences::m_niceLevel{DEFAULT_NICE_LEVEL};
std::atomic<int> BasePreferences::m_threadPoll{DEFAULT_THREAD_POLL};
std::atomic<int> BasePreferences::m_pageTimeout{DEFAULT_PAGE_TIMEOUT};
std::atomic<int> BasePreferences::m_overallTimeout{DEFAULT_OVERALL_TIMEOUT};
SharedText BasePreferences::m_hideNavigator{DEFAULT_HIDE_NAVIGATOR};
SharedText BasePreferences::m_closeNavigators{DEFAULT_CLOSE_NAVIGATORS};
SharedText BasePreferences::m_persistDownloads{DEFAULT_PERSIST_DOWNLOADS};
std::atomic<int> BasePreferences::m_loggingLevel{DEFAULT_LOGGING_LEVEL};
std::atomic<int64_t> BasePreferences::m_lastRunDate{DEFAULT_LAST_RUN_DATE};
std::atomic<int> BasePreferences::m_launchCount{DEFAULT_LAUNCH_COUNT};
std::atomic<int64_t> BasePreferences::m_panelPopupDate{DEFAULT_PANEL_POPUP_DATE};
std::atomic<int> BasePreferences::m_windowX{DEFAULT_WINDOW_X};
std::atomic<int> BasePreferences::m_windowY{DEFAULT_WINDOW_Y};
std::atomic<int> BasePreferences::m_windowWidth{DEFAULT_WINDOW_WIDTH};
std::atomic<int> BasePreferences::m_windowHeight{DEFAULT_WINDOW_HEIGHT};
std::atomic<int> BasePreferences::m_durationLastLaunch{DEFAULT_DURATION_LAST_LAUNCH};
std::atomic<int64_t> BasePreferences::m_startThisLaunch{0};
std::mutex BasePreferences::m_storeLock;
std::shared_ptr<IPrefPersist> BasePreferences::m_prefPersist;

namespace {

// Values of 0 and below would stall or busy-spin the engine: they count as
// unset.
int atLeastOneOrDefault(int value, int defaultValue) { return value < 1 ? defaultValue : value; }

}  // namespace

int64_t BasePreferences::currentTimeMillis() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

bool BasePreferences::isTrueText(const std::string& text) { return sys::equalsIgnoreAsciiCase(text, "true"); }

std::shared_ptr<IPrefPersist> BasePreferences::getPrefPersist() {
    std::lock_guard<std::mutex> guard(m_storeLock);
    return m_prefPersist;
}

void BasePreferences::setPrefPersist(std::shared_ptr<IPrefPersist> store) {
    std::lock_guard<std::mutex> guard(m_storeLock);
    m_prefPersist = std::move(store);
}

void BasePreferences::storeString(const std::string& key, const std::string& value) {
    if (auto store = getPrefPersist()) store->setStringValue(key, value);
}

void BasePreferences::storeInt(const std::string& key, int value) {
    if (auto store = getPrefPersist()) store->setIntValue(key, value);
}

void BasePreferences::storeLong(const std::string& key, int64_t value) {
    if (auto store = getPrefPersist()) store->setLongValue(key, value);
}

void BasePreferences::loadPrefs(const std::string& name, std::shared_ptr<IPrefPersist> store) {
    m_startThisLaunch = currentTimeMillis();
    setPrefPersist(store);
    if (!store) return;
    store->setPersistenceFilePathPrefix(name);
    store->load();

    int maxThreads = store->getIntValue(PREF_MAX_THREADS_HIGH, DEFAULT_MAX_THREADS_HIGH);
    if (maxThreads > MAX_THREADS_LIMIT) {
        maxThreads = MAX_THREADS_LIMIT;
        store->setIntValue(PREF_MAX_THREADS_HIGH, maxThreads);
    }
    m_maxThreadsHigh = atLeastOneOrDefault(maxThreads, DEFAULT_MAX_THREADS_HIGH);
    m_maxThreadsLow = store->getIntValue(PREF_MAX_THREADS_LOW, DEFAULT_MAX_THREADS_LOW);
    // The politeness delay is a sleep: a negative one means none.
    int nice = store->getIntValue(PREF_NICE_LEVEL, DEFAULT_NICE_LEVEL);
    m_niceLevel = nice < 0 ? DEFAULT_NICE_LEVEL : nice;
    m_threadPoll = atLeastOneOrDefault(store->getIntValue(PREF_THREAD_POLL, DEFAULT_THREAD_POLL), DEFAULT_THREAD_POLL);
    m_pageTimeout =
        atLeastOneOrDefault(store->getIntValue(PREF_PAGE_TIMEOUT, DEFAULT_PAGE_TIMEOUT), DEFAULT_PAGE_TIMEOUT);
    m_overallTimeout = atLeastOneOrDefault(store->getIntValue(PREF_OVERALL_TIMEOUT, DEFAULT_OVERALL_TIMEOUT),
                                           DEFAULT_OVERALL_TIMEOUT);
    m_hideNavigator.set(store->getStringValue(PREF_HIDE_NAVIGATOR, DEFAULT_HIDE_NAVIGATOR));
    m_closeNavigators.set(store->getStringValue(PREF_CLOSE_NAVIGATORS, DEFAULT_CLOSE_NAVIGATORS));
    m_persistDownloads.set(store->getStringValue(PREF_PERSIST_DOWNLOADS, DEFAULT_PERSIST_DOWNLOADS));
    m_loggingLevel = store->getIntValue(PREF_LOGGING_LEVEL, DEFAULT_LOGGING_LEVEL);
    m_lastRunDate = store->getLongValue(PREF_LAST_RUN_DATE, DEFAULT_LAST_RUN_DATE);
    m_launchCount = store->getIntValue(PREF_LAUNCH_COUNT, DEFAULT_LAUNCH_COUNT);
    m_panelPopupDate = store->getLongValue(PREF_PANEL_POPUP_DATE, DEFAULT_PANEL_POPUP_DATE);
    int x = store->getIntValue(PREF_WINDOW_X, DEFAULT_WINDOW_X);
    m_windowX = x < 0 ? 0 : x;
    int y = store->getIntValue(PREF_WINDOW_Y, DEFAULT_WINDOW_Y);
    m_windowY = y < 0 ? 0 : y;
    int width = store->getIntValue(PREF_WINDOW_WIDTH, DEFAULT_WINDOW_WIDTH);
    m_windowWidth = width < MIN_WINDOW_WIDTH ? DEFAULT_WINDOW_WIDTH : width;
    int height = store->getIntValue(PREF_WINDOW_HEIGHT, DEFAULT_WINDOW_HEIGHT);
    m_windowHeight = height < MIN_WINDOW_HEIGHT ? DEFAULT_WINDOW_HEIGHT : height;
    m_durationLastLaunch = store->getIntValue(PREF_DURATION_LAST_LAUNCH, DEFAULT_DURATION_LAST_LAUNCH);
}

void BasePreferences::savePrefs() {
    auto store = getPrefPersist();
    if (!store) return;
    store->setLongValue(PREF_DURATION_LAST_LAUNCH, (currentTimeMillis() - m_startThisLaunch.load()) / 1000);
    store->save();
}

int BasePreferences::getIntPreference(const std::string& key, int defaultValue) {
    auto store = getPrefPersist();
    return store ? store->getIntValue(key, defaultValue) : defaultValue;
}

void BasePreferences::setIntPreference(const std::string& key, int value) { storeInt(key, value); }

int64_t BasePreferences::getLongPreference(const std::string& key, int64_t defaultValue) {
    auto store = getPrefPersist();
    return store ? store->getLongValue(key, defaultValue) : defaultValue;
}

void BasePreferences::setLongPreference(const std::string& key, int64_t value) { storeLong(key, value); }

std::string BasePreferences::getStringPreference(const std::string& key, const std::string& defaultValue) {
    auto store = getPrefPersist();
    return store ? store->getStringValue(key, defaultValue) : defaultValue;
}

void BasePreferences::setStringPreference(const std::string& key, const std::string& value) {
    storeString(key, value);
}

void BasePreferences::setMaxThreadsHigh(int value) {
    m_maxThreadsHigh = value;
    storeInt(PREF_MAX_THREADS_HIGH, value);
}

void BasePreferences::setMaxThreadsLow(int value) {
    m_maxThreadsLow = value;
    storeInt(PREF_MAX_THREADS_LOW, value);
}

void BasePreferences::setNiceLevel(int value) {
    m_niceLevel = value;
    storeInt(PREF_NICE_LEVEL, value);
}

void BasePreferences::setThreadPoll(int value) {
    m_threadPoll = value;
    storeInt(PREF_THREAD_POLL, value);
}

void BasePreferences::setPageTimeout(int value) {
    m_pageTimeout = value;
    storeInt(PREF_PAGE_TIMEOUT, value);
}

void BasePreferences::setOverallTimeout(int value) {
    m_overallTimeout = value;
    storeInt(PREF_OVERALL_TIMEOUT, value);
}

void BasePreferences::setLoggingLevel(int value) {
    m_loggingLevel = value;
    storeInt(PREF_LOGGING_LEVEL, value);
}

void BasePreferences::setLaunchCount(int value) {
    m_launchCount = value;
    storeInt(PREF_LAUNCH_COUNT, value);
}

void BasePreferences::setWindowX(int value) {
    m_windowX = value;
    storeInt(PREF_WINDOW_X, value);
}

void BasePreferences::setWindowY(int value) {
    m_windowY = value;
    storeInt(PREF_WINDOW_Y, value);
}

void BasePreferences::setWindowWidth(int value) {
    m_windowWidth = value;
    storeInt(PREF_WINDOW_WIDTH, value);
}

void BasePreferences::setWindowHeight(int value) {
    m_windowHeight = value;
    storeInt(PREF_WINDOW_HEIGHT, value);
}

void BasePreferences::setLastRunDate(int64_t value) {
    m_lastRunDate = value;
    storeLong(PREF_LAST_RUN_DATE, value);
}

void BasePreferences::setPanelPopupDate(int64_t value) {
    m_panelPopupDate = value;
    storeLong(PREF_PANEL_POPUP_DATE, value);
}

void BasePreferences::setHideNavigator(bool value) { setHideNavigator(std::string(booleanText(value))); }

void BasePreferences::setCloseNavigators(bool value) { setCloseNavigators(std::string(booleanText(value))); }

void BasePreferences::setPersistDownloads(bool value) { setPersistDownloads(std::string(booleanText(value))); }

void BasePreferences::setHideNavigator(const std::string& text) {
    m_hideNavigator.set(text);
    storeString(PREF_HIDE_NAVIGATOR, text);
}

void BasePreferences::setCloseNavigators(const std::string& text) {
    m_closeNavigators.set(text);
    storeString(PREF_CLOSE_NAVIGATORS, text);
}

void BasePreferences::setPersistDownloads(const std::string& text) {
    m_persistDownloads.set(text);
    storeString(PREF_PERSIST_DOWNLOADS, text);
}

}  // namespace tracker

#pragma once
// The settings behind the launch-report tests and the report each edition
// must send for them.

#include <map>
#include <string>
#include <vector>

namespace rltest {

// The report's lines with the values that describe the machine or the
// moment replaced by "*".
inline std::string maskedReport(const std::string& report) {
    static const char* const machine[] = {"SubmittedTime", "Locale", "OS", "OSRev", "Directory", "Resolution",
                                          "MHz", "Processor", "IE", "JavaScript-Local", "JavaScript-Internet",
                                          "TitleBarHeight", "Connected", "ConnectionName", "LAN", "Modem",
                                          "ViaProxy"};
    std::string out;
    size_t start = 0;
    while (start <= report.size()) {
        size_t end = report.find("\r\n", start);
        std::string line = report.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t eq = line.find('=');
        if (eq != std::string::npos) {
            const std::string name = line.substr(0, eq);
            for (const char* m : machine) {
                if (name == m) line = name + "=*";
            }
        }
        out += line;
        if (end == std::string::npos) break;
        out += "\n";
        start = end + 2;
    }
    return out;
}

struct Edition {
    int appType;
    const char* golden;
    bool hasExtra;
};

inline const char* const GOLDEN_PORTAL =
    "SubmittedTime=*\nAppVersion=20060430\nSettingsVersion=20051201\nAppType=Lanternbay\nLocale=*\nOS=*\n"
    "OSRev=*\nDirectory=*\nResolution=*\nMHz=*\nProcessor=*\nIE=*\nJavaScript-Local=*\nJavaScript-Internet=*\n"
    "TitleBarHeight=*\nUUID=1b4e28ba-2fa1-11d2-883f-0016d3cca427\nParentUUID=host-42\nUserCount=2\n"
    "StatLastRunDate=1165000000000\nStatLaunchCount=7\nStatPanelPopupDate=0\nOptMaxThreads=15\n"
    "OptHideNavigator=TRUE\nOptLoggingLevel=4\nOptFlyerTalkLink=true\nOptCellPadding=4\nDurationLastLaunch=95\n"
    "0:American=12,345\n0:Delta=Never retrieved\n1:AirCanada=Invalid login\n";

inline const char* const GOLDEN_FARHAVEN =
    "SubmittedTime=*\nAppVersion=20060430\nSettingsVersion=20051201\nAppType=Farhaven\nLocale=*\nOS=*\n"
    "OSRev=*\nDirectory=*\nResolution=*\nMHz=*\nProcessor=*\nIE=*\nJavaScript-Local=*\nJavaScript-Internet=*\n"
    "TitleBarHeight=*\nConnected=*\nConnectionName=*\nLAN=*\nModem=*\nViaProxy=*\n"
    "UUID=1b4e28ba-2fa1-11d2-883f-0016d3cca427\nParentUUID=host-42\nUserCount=2\n"
    "StatLastRunDate=1165000000000\nStatLaunchCount=7\nStatPanelPopupDate=0\nOptMaxThreads=15\n"
    "OptHideNavigator=TRUE\nOptLoggingLevel=4\nOptCellPadding=4\nDurationLastLaunch=95\n"
    "0:American=12,345\n0:Delta=Never retrieved\n1:AirCanada=Invalid login\n";

inline const char* const GOLDEN_BRTW =
    "SubmittedTime=*\nAppVersion=20060430\nSettingsVersion=20051201\nAppType=BRTW\nLocale=*\nOS=*\n"
    "OSRev=*\nDirectory=*\nResolution=*\nMHz=*\nProcessor=*\nIE=*\nJavaScript-Local=*\nJavaScript-Internet=*\n"
    "TitleBarHeight=*\nConnected=*\nConnectionName=*\nLAN=*\nModem=*\nViaProxy=*\n"
    "UUID=1b4e28ba-2fa1-11d2-883f-0016d3cca427\nParentUUID=host-42\nUserCount=2\n"
    "StatLastRunDate=1165000000000\nStatLaunchCount=7\nStatPanelPopupDate=0\nOptMaxThreads=15\n"
    "OptHideNavigator=TRUE\nOptLoggingLevel=4\nOptFlyerTalkLink=true\nOptCellPadding=4\nDurationLastLaunch=95\n"
    "AdsLastLaunch=3\n0:American=12,345\n0:Delta=Never retrieved\n1:AirCanada=Invalid login\n";

inline const char* const GOLDEN_ROAMBAY =
    "SubmittedTime=*\nAppVersion=20060430\nSettingsVersion=20051201\nAppType=Roambay\nLocale=*\nOS=*\n"
    "OSRev=*\nDirectory=*\nResolution=*\nMHz=*\nProcessor=*\nIE=*\nJavaScript-Local=*\nJavaScript-Internet=*\n"
    "TitleBarHeight=*\nConnected=*\nConnectionName=*\nLAN=*\nModem=*\nViaProxy=*\n"
    "UUID=1b4e28ba-2fa1-11d2-883f-0016d3cca427\nParentUUID=host-42\nUserCount=2\n"
    "StatLastRunDate=1165000000000\nStatLaunchCount=7\nStatPanelPopupDate=0\nOptMaxThreads=15\n"
    "OptHideNavigator=TRUE\nOptLoggingLevel=4\nOptFlyerTalkLink=true\nOptCellPadding=4\nDurationLastLaunch=95\n"
    "AdsLastLaunch=3\n0:American=12,345\n0:Delta=Never retrieved\n1:AirCanada=Invalid login\n";

inline const std::map<std::string, std::string> REPORTED_SETTINGS = {
    {"Version", "20051201"},
    {"UUID", "1b4e28ba-2fa1-11d2-883f-0016d3cca427"},
    {"StatLaunchCount", "6"},
    {"StatLastRunDate", "1165000000000"},
    {"DurationLastLaunch", "95"},
    {"AdsLastLaunch", "3"},
    {"OptMaxThreads", "40"},
    {"OptPageTimeout", "0"},
    {"OptHideNavigator", "TRUE"},
    {"OptLoggingLevel", "4"},
    {"OptFlyerTalkLink", "true"},
    {"OptColorDarkRow", "DDEEFF"},
    {"OptCellPadding", "4"},
    {"OptWindowWidth", "100"},
    {"OptWindowX", "-5"},
    {"User0", "Ann"},
    {"User1", "Bob"},
    {"User0AmericanUsername", "AA1"},
    {"User0AmericanBalance", "12,345"},
    {"User0DeltaUsername", "DL1"},
    {"User1AirCanadaUsername", "AC1"},
    {"User1AirCanadaBalance", "Invalid login"},
    {"User1AlohaBalance", "no user name, not reported"},
};

inline const std::vector<Edition> EDITIONS = {
    {0, GOLDEN_PORTAL, false}, {1, GOLDEN_FARHAVEN, false}, {2, GOLDEN_BRTW, true}, {3, GOLDEN_ROAMBAY, true}};

}  // namespace rltest

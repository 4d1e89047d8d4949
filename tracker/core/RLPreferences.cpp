#include "tracker/core/RLPreferences.h"

#include <uuid/uuid.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <mutex>

#include "foundation/AsynchURL.h"
#include "foundation/BlowfishEasy.h"
#include "foundation/EnvUtil.h"
#include "foundation/JNIUtil.h"
#include "foundation/Logger.h"
#include "foundation/Messages.h"
#include "foundation/MiscUtil.h"
#include "foundation/StrUtil.h"
#include "tracker/ui/BaseRLApp.h"

using foundation::Logger;
using foundation::Messages;
using tracker::ui::BaseRLApp;

namespace tracker {

// ---- Status texts ---------------------------------------------------------------

const std::string RLPreferences::DISPLAY_NEVER_CHECKED = Messages::get("RLPreferences.NeverChecked");
const std::string RLPreferences::DISPLAY_NO_BALANCES_MAINTAINED = Messages::get("RLPreferences.NoBalancesMaintained");
const std::string RLPreferences::DISPLAY_INVALID_LOGIN = Messages::get("RLPreferences.InvalidLogin");
const std::string RLPreferences::DISPLAY_LOGIN_LENGTH = Messages::get("RLPreferences.LoginLength");
const std::string RLPreferences::DISPLAY_BLOCKED_LOGIN = Messages::get("RLPreferences.BlockedLogin");
const std::string RLPreferences::DISPLAY_INTERACTION_REQUIRED = Messages::get("RLPreferences.InteractionRequired");
const std::string RLPreferences::DISPLAY_MAINTENANCE = Messages::get("RLPreferences.Maintenance");
const std::string RLPreferences::DISPLAY_NON_FUNCTIONAL = Messages::get("RLPreferences.NonFunctional");
const std::string RLPreferences::DISPLAY_PENDING = Messages::get("RLPreferences.Pending");
const std::string RLPreferences::DISPLAY_PROVIDER_PROBLEM = Messages::get("RLPreferences.ProviderProblem");
const std::string RLPreferences::DISPLAY_TIMEOUT = Messages::get("RLPreferences.TimedOut");
const std::string RLPreferences::DISPLAY_UNKNOWN = Messages::get("RLPreferences.Unknown");
const std::string RLPreferences::DISPLAY_CHANGE_NEW = Messages::get("RLPreferences.New");
const std::string RLPreferences::DISPLAY_CHANGE_NOT_AVAILABLE = Messages::get("RLPreferences.NotAvailable");
const std::string RLPreferences::DEFAULT_PRIME_USER_NAME = Messages::get("RLPreferences.PrimaryUser");

// ---- Option state -----------------------------------------------------------------

SharedText RLPreferences::m_horizontalLayout{DEFAULT_HORIZONTAL_LAYOUT};
SharedText RLPreferences::m_flyerTalkLinks{DEFAULT_FLYERTALK_LINKS};
SharedText RLPreferences::m_ITYTLinks{DEFAULT_ITYT_LINKS};
SharedText RLPreferences::m_calculateTotal{DEFAULT_CALCULATE_TOTAL};
SharedText RLPreferences::m_showUsernames{DEFAULT_SHOW_USERNAMES};
SharedText RLPreferences::m_reverseHistory{DEFAULT_REVERSE_HISTORY};
SharedText RLPreferences::m_maskPasswords{DEFAULT_MASK_PASSWORDS};
SharedText RLPreferences::m_colorHeaderRow{DEFAULT_COLOR_HEADER_ROW};
SharedText RLPreferences::m_colorLightRow{DEFAULT_COLOR_LIGHT_ROW};
SharedText RLPreferences::m_colorDarkRow{DEFAULT_COLOR_DARK_ROW};
std::atomic<int> RLPreferences::m_cellPadding{DEFAULT_CELL_PADDING};
std::atomic<int> RLPreferences::m_cellSpacing{DEFAULT_CELL_SPACING};
std::atomic<int> RLPreferences::m_adsLastLaunch{DEFAULT_ADS_LAST_LAUNCH};
SharedText RLPreferences::m_settingsVersion{DEFAULT_SETTINGS_VERSION};
SharedText RLPreferences::m_uuid{DEFAULT_UUID};
std::atomic<int> RLPreferences::m_accountCountOnLaunch{0};
std::shared_mutex RLPreferences::m_usersLock;
std::vector<std::string> RLPreferences::m_users;
std::vector<std::vector<RLPreferences::AccountRow>> RLPreferences::m_accounts;

namespace {

// ---- The program table ---------------------------------------------------------------

constexpr unsigned S = 1;  // retrieval allowed
constexpr unsigned N = 2;  // navigation allowed
constexpr unsigned D = 4;  // details tracked
constexpr unsigned A = 8;  // activity tracked

SourceConfig row(const char* key, const char* display, const char* usernameLabel, const char* passwordLabel,
                 const char* password2Label, const char* flyerTalkForum, const char* itytForum,
                 const char* abbreviation, int minDecimals, int maxDecimals, float normalizeFactor, unsigned flags) {
    return SourceConfig(SourceClass(), key, display, usernameLabel, passwordLabel, password2Label, flyerTalkForum,
                        itytForum, abbreviation, minDecimals, maxDecimals, normalizeFactor, (flags & S) != 0,
                        (flags & N) != 0, (flags & D) != 0, (flags & A) != 0);
}

// In display order: the order of every listing and of the settings rows.
const std::vector<SourceConfig>& sourceRows() {
    static const std::vector<SourceConfig> rows = {
    row("Aeroflot", "Aeroflot Bonus", "Card Number", "Password", "",
        "470", "62", "SU", 0, 0, 1.0f, S | N),
    row("Aeromexico", "Aerom\u00e9xico Club Premiere", "Club Premier Number (9 Digits)", "", "",
        "472", "62", "AM", 0, 0, 1.0f, S | N),
    row("AirCanada", "Air Canada Aeroplan", "Customer Number (9 Digits)", "PIN", "",
        "375", "34", "AC", 0, 0, 1.0f, S | N),
    row("AirMiles", "Air Miles", "Collector Number (11 Digits)", "PIN (4 Digits)", "",
        "2", "55", "AR", 0, 0, 7.717f, S | N),
    row("AirMilesMart", "AirMilesMart", "Username", "Password", "",
        "2", "55", "AL", 0, 0, 1.0f, S | N),
    row("AirNewZealand", "Air New Zealand Airpoints", "Username or Airpoints Number", "Password", "",
        "440", "62", "AN", 0, 2, 93.75f, S | N),
    row("AirTran", "AirTran A-Plus Rewards", "E-mail Address", "Password", "",
        "441", "70", "FL", 1, 1, 1562.5f, S | N),
    row("Alamo", "Alamo Rent A Car", "Username", "Password", "",
        "419", "27", "AO", 0, 0, 1.0f, N),
    row("Alaska", "Alaska Airlines Mileage Plan", "Account Number or User ID", "Password (Not Zip Code)", "",
        "442", "36", "AS", 0, 0, 1.0f, S | N),
    row("Alitalia", "Alitalia MilleMiglia", "User ID (MilleMiglia code, customer code or nickname)", "PIN", "",
        "469", "62", "AZ", 0, 0, 1.0f, S | N),
    row("Aloha", "AlohaPass", "Account Number", "Password", "",
        "472", "62", "AQ", 0, 0, 1.0f, S | N),
    row("AmericaWest", "America West Airlines FlightFund", "Profile Name", "Password", "",
        "444", "37", "HP", 0, 0, 1.0f, S | N | D),
    row("American", "American Airlines AAdvantage", "AAdvantage #", "Password (Not PIN - 6-12 Characters)", "",
        "445", "38", "AA", 0, 0, 1.0f, S | N | D | A),
    row("AmericanExpress", "American Express Mem. Rwd.", "User ID", "Password", "",
        "410", "9", "AX", 0, 0, 1.0f, S | N),
    row("AmericanExpressAustralia", "American Express Mem. Rwd. (AU)", "User ID", "Password", "",
        "410", "9", "AU", 0, 0, 1.0f, S | N),
    row("AmericanExpressGermany", "American Express Mem. Rwd. (DE)", "Benutzernamen", "Kennwort", "",
        "410", "9", "AG", 0, 0, 1.0f, S | N),
    row("Amtrak", "Amtrak Guest Rewards", "Account Number", "Password", "",
        "399", "69", "AK", 0, 0, 1.0f, S | N),
    row("ANA", "ANA Mileage Club", "ANA Mileage Club Number (10 Digits)", "Password (4 Digits)", "",
        "443", "62", "NH", 0, 0, 1.0f, S | N),
    row("Asiana", "Asiana Club", "Account Number (9 Digits - Not User ID)", "Password (6-12 Characters)", "",
        "470", "62", "OZ", 0, 0, 1.0f, S | N),
    row("Avis", "Avis Rent A Car", "Wizard Number", "Password", "",
        "420", "28", "AV", 0, 0, 1.0f, N),
    row("ATA", "ATA Travel Awards", "Username", "Password", "",
        "472", "62", "TZ", 0, 0, 4.167f, S | N),
    row("BAA", "BAA WorldPoints", "Card Number (Last 8 Digits Only)", "PIN (4 Digits)", "",
        "2", "55", "BB", 0, 0, 1.0f, S | N),
    row("BankAmericaMilesEdge", "Bank of America MilesEdge", "User ID", "Password", "",
        "2", "55", "BM", 0, 0, 1.0f, S | N),
    row("BestWestern", "Best Western Gold Crown Club", "Membership Number (16 Digits)", "Password", "",
        "416", "11", "BW", 0, 0, 2.0f, S | N),
    row("BritishAirways", "British Airways Executive Club", "Membership Number (Not Username - 8 Digits)", "PIN (Not Password - 4 Digits)", "",
        "446", "39", "BA", 0, 0, 1.0f, S | N),
    row("BritishMidland", "British Midland Diamond Club", "Membership Number (8 Digits)", "PIN (6 Digits)", "",
        "486", "62", "BD", 0, 0, 1.0f, S | N),
    row("CapitalOneNoHassle", "Capital One No Hassle", "Username", "Password", "",
        "2", "55", "CN", 0, 0, 1.0f, S | N),
    row("CapitalOneNoHassleSmallBus", "Capital One No Hassle Small Bus.", "Username", "Password", "",
        "2", "55", "CS", 0, 0, 1.0f, S | N),
    row("CathayPacific", "Cathay Pacific Asia Miles", "Account Number", "PIN (4 Digits)", "",
        "487", "40", "CX", 0, 0, 1.0f, S | N),
    row("ChaseTravel", "Chase Travel/Ultimate Rewards", "User ID", "Password", "",
        "2", "55", "CT", 0, 0, 1.0f, S | N),
    row("Choice", "Choice Privileges", "Username", "Password", "",
        "431", "54", "CH", 0, 0, 0.2f, S | N),
    row("Citi", "Citi ThankYou Network", "Username", "Password", "",
        "2", "55", "CT", 0, 0, 1.0f, S | N),
    row("ClickRewards", "ClickRewards", "E-mail Address", "Password", "",
        "2", "55", "CR", 0, 0, 1.0f, S | N),
    row("Continental", "Continental Airlines OnePass", "OnePass Number (8 Characters) or Username", "PIN (4 Digits with #) or Password (with Username)", "",
        "488", "41", "CO", 0, 0, 1.0f, S | N | D | A),
    row("CountryInns", "Country Inns Gold Rewards", "E-mail Address", "Password", "",
        "431", "54", "CI", 0, 0, 0.1f, S | N),
    row("Czech", "Czech OK Plus", "Account Number", "PIN (5 - 10 Characters)", "",
        "469", "62", "OK", 0, 0, 1.0f, S | N),
    row("Delta", "Delta Air Lines SkyMiles", "SkyMiles Number (10 Digits)", "PIN (4 Digits)", "",
        "489", "42", "DL", 0, 0, 1.0f, S | N | D | A),
    row("DinersClub", "Diners Club Club Rewards (US)", "User ID (not Card Number)", "Password", "",
        "414", "55", "DC", 0, 0, 0.5f, S | N),
    row("DinersClubAustralia", "Diners Club Club Rewards (AU)", "User ID (not Card Number)", "Password", "",
        "414", "55", "A2", 0, 0, 0.5f, S | N),
    row("Discover", "Discover Card (Miles or Cashback)", "Account Number or User ID", "Password", "",
        "2", "55", "DS", 0, 2, 1.0f, S | N),
    row("Ebates", "Ebates", "E-mail Address", "Password", "",
        "2", "55", "EB", 2, 2, 50.0f, S | N),
    row("Ebay", "eBay Anything Points", "E-mail Address", "Password", "",
        "2", "55", "EY", 0, 0, 0.5f, S | N),
    row("ELAL", "EL AL Matmid Frequent Flyer Club", "Membership Number", "Password", "",
        "2", "55", "LY", 0, 0, 1.0f, S | N),
    row("Emirates", "Emirates Skywards", "Skywards (Do not include 'EK' prefix)", "Password", "",
        "490", "62", "EK", 0, 0, 1.0f, S | N),
    row("Epoll", "E-Poll Rewards", "E-mail Address", "Password", "",
        "2", "55", "EP", 0, 0, 0.075f, S | N),
    row("Erewards", "e-Rewards", "E-mail Address", "Password (4 - 20 Characters)", "",
        "2", "55", "ER", 2, 2, 50.0f, S | N),
    row("Eva", "Eva Air Evergreen Club", "Membership Number (Do not include 'GC' suffix)", "Password", "",
        "470", "62", "BR", 0, 0, 1.0f, S | N),
    row("Fairmont", "Fairmont President's Club", "Username", "Password", "",
        "431", "12", "FP", 0, 0, 1.0f, N),
    row("Fiesta", "Fiesta Rewards", "Card Number (8 Characters)", "PIN", "",
        "431", "54", "FS", 0, 0, 1.0f, S | N),
    row("Finnair", "Finnair Plus", "Username / Membership Number (9 Digits)", "Password", "",
        "469", "62", "AY", 0, 0, 1.0f, S | N),
    row("KLM", "Flying Blue (Air France / KLM)", "Flying Blue number or username", "PIN (4 Digits)", "",
        "594", "44", "KL", 0, 0, 1.0f, S | N),
    row("Frontier", "Frontier Airlines EarlyReturns", "EarlyReturns Number", "Password", "",
        "491", "62", "F9", 0, 0, 1.0f, S | N),
    row("GlobalPass", "GlobalPass (Formerly LatinPass)", "Account Number", "PIN (4 Digits)", "",
        "494", "62", "GL", 0, 0, 1.0f, S | N),
    row("GMCard", "GM Card", "Last Name", "Zip Code", "Last 4 Digits of Card",
        "2", "55", "GM", 2, 2, 50.0f, S | N),
    row("GoldPoints", "Gold Points Rewards", "Username", "Password (Not Zip Code)", "",
        "2", "55", "GP", 0, 0, 0.1f, S | N),
    row("GrupoTaca", "Grupo Taca Distancia", "Account Number (11 Digits)", "PIN (6 Digits)", "",
        "472", "62", "TA", 0, 0, 1.0f, S | N),
    row("HappyDigits", "HappyDigits", "Kartennummer (16-stellig)", "PIN (4-stellig)", "",
        "", "", "HD", 0, 0, 1.0f, S | N),
    row("Hawaiian", "Hawaiian Airlines HawaiianMiles", "Membership Number (9 Digits)", "Password (Not PIN)", "",
        "447", "43", "HA", 0, 0, 1.0f, S | N),
    row("Hertz", "Hertz #1 Awards Points", "Account Number", "Password", "",
        "423", "31", "HR", 0, 0, 0.833f, S | N),
    row("Hilton", "Hilton HHonors", "Account Number or Username", "PIN (if using account #) or Password (if using username)", "",
        "417", "13", "HL", 0, 0, 0.25f, S | N | D | A),
    row("Hyatt", "Hyatt Gold Passport", "Gold Passport# / Username", "PIN / Password", "",
        "418", "15", "HY", 0, 0, 0.417f, S | N),
    row("Iberia", "Iberia Plus", "IB Plus No. / FQTV IB (8 Digits)", "PIN (6 Digits)", "",
        "469", "62", "IB", 0, 0, 15.873f, S | N),
    row("Japan", "JAL Mileage Bank", "Member Number (7 or 9 Digits)", "PIN (6 Digits)", "Enter 'J' below if your account is based in Japan",
        "513", "62", "JL", 0, 0, 1.0f, S | N),
    row("JetBlue", "JetBlue trueBlue", "E-mail Address", "Password", "",
        "492", "68", "B6", 0, 0, 250.0f, S | N),
    row("Korean", "Korean Air SkyPass", "User ID", "Password", "",
        "470", "62", "KE", 0, 0, 1.0f, S | N),
    row("LeMeridien", "Le Meridien Moments", "Account Number (11 Digits)", "Password", "",
        "431", "54", "LM", 0, 0, 5.0f, S | N),
    row("Loews", "Loews Hotels LoewsFirst", "E-mail Address / Membership Number", "Password", "",
        "431", "54", "LW", 0, 0, 1.0f, N),
    row("Lufthansa", "Lufthansa Miles and More", "User ID or Max 16-Digit Account Number", "Password or 5-Digit PIN", "",
        "495", "45", "LH", 0, 0, 1.0f, S | N),
    row("Marriott", "Marriott Rewards", "Username", "Password", "",
        "427", "17", "RL", 0, 0, 0.357f, S | N | D | A),
    row("MBNA", "MBNA WorldPoints", "Login Name", "Password", "",
        "2", "55", "MC", 0, 0, 1.0f, S | N),
    row("Mexicana", "Mexicana Frecuenta", "Frequent Flyer Number (You may omit the leading zeros)", "PIN", "",
        "472", "62", "MX", 0, 0, 1.0f, S | N),
    row("Microtel", "Microtel MicroPass", "Member ID / E-mail Address", "Password", "",
        "431", "54", "MI", 0, 0, 1.0f, S | N),
    row("MidwestExpress", "Midwest Miles", "User ID, Account #, or E-mail Address", "Password (6 - 15 Characters)", "",
        "496", "62", "YX", 0, 0, 1.0f, S | N),
    row("Milesource", "Milesource AwardMiles", "Username", "Password", "",
        "2", "55", "MS", 0, 0, 1.0f, S | N),
    row("MyPoints", "MyPoints", "E-mail Address", "Password", "",
        "2", "55", "MP", 0, 0, 0.625f, S | N),
    row("Sony", "MySony", "User ID", "Password", "",
        "2", "55", "SY", 2, 2, 50.0f, S | N),
    row("EmeraldClub", "National Emerald Club", "Login", "Password", "",
        "424", "32", "EC", 0, 0, 1.0f, S | N),
    row("Northwest", "Northwest Airlines WorldPerks", "Account Number", "PIN (4 Digits)", "Last Name",
        "497", "46", "NW", 0, 0, 1.0f, S | N | D | A),
    row("Omni", "Omni Select Guest", "Account Number or E-mail Address", "Password", "",
        "431", "54", "OM", 0, 0, 1.0f, N),
    row("ParkInn", "Park Inn Park Rewards", "E-mail Address", "Password", "",
        "431", "54", "PI", 0, 0, 0.1f, S | N),
    row("ParkPlaza", "Park Plaza Park Rewards", "E-mail Address", "Password", "",
        "431", "54", "PP", 0, 0, 0.1f, S | N),
    row("Payback", "Payback", "Kundennummer (10-stellig)", "Geheimzahl / PIN (4-stellig)", "",
        "", "", "PB", 0, 0, 1.0f, S | N),
    row("PrimeRewards", "Prime Rewards", "Account Number", "PIN", "",
        "431", "54", "PR", 0, 0, 0.5f, S | N),
    row("SixContinents", "Priority Club Rewards", "Account Number / E-mail Address", "PIN (4 Digits)", "",
        "426", "14", "PC", 0, 0, 0.25f, S | N),
    row("Qantas", "Qantas Frequent Flyer", "Account Number", "PIN (4 Digits)", "Surname",
        "498", "47", "QF", 0, 0, 1.0f, S | N),
    row("Radisson", "Radisson Gold Rewards", "E-mail Address", "Password", "",
        "428", "18", "RD", 0, 0, 0.125f, S | N),
    row("RedRoof", "Red Roof Inns RediCard", "Member ID (10 Digits - including leading zeros)", "Password", "",
        "431", "54", "RR", 0, 0, 1.0f, S | N),
    row("Regent", "Regent International Hotels", "E-mail Address", "Password", "",
        "431", "54", "RN", 0, 0, 1.0f, N),
    row("LaQuinta", "Returns (La Quinta / Baymont)", "Account Number", "Password", "",
        "431", "54", "LQ", 0, 0, 0.182f, S | N),
    row("Greenpoints", "S&H Greenpoints", "E-mail Address / Username", "Password", "",
        "2", "55", "SH", 0, 0, 0.057f, S | N),
    row("SAS", "SAS EuroBonus", "Username (3-10 Characters)", "Password (6-12 Characters)", "",
        "499", "62", "SK", 0, 0, 1.0f, S | N),
    row("Singapore", "Singapore Airlines KrisFlyer", "KrisFlyer Number or User ID", "PIN (6 Digits)", "",
        "500", "48", "SQ", 0, 0, 1.0f, S | N),
    row("SNBrussels", "SN Brussels Privilege", "Membership Number (9 Digits - Do not include 'SN' prefix)", "PIN (4-6 Digits)", "",
        "469", "62", "SN", 0, 0, 1.0f, S | N),
    row("SolMelia", "Sol Melia MaS", "E-mail Address", "Password", "",
        "431", "54", "SM", 0, 1, 0.333f, S | N),
    row("SouthAfrican", "South African Voyager", "Username", "PIN (4 Digits)", "",
        "471", "62", "SA", 0, 0, 1.0f, S),
    row("Southwest", "Southwest Rapid Rewards", "Membership Number (You may omit leading zeros)", "Password", "",
        "501", "49", "WN", 0, 3, 1562.5f, S | N | D | A),
    row("Starwood", "Starwood Preferred Guest", "Username or Member Number", "Password", "",
        "429", "20", "ST", 0, 0, 1.25f, S | N | D | A),
    row("Swiss", "Swiss TravelClub", "Membership Number (9 Digits - Do not include 'LX' prefix)", "PIN (4-6 Digits)", "",
        "502", "50", "LX", 0, 0, 1.0f, S | N | D | A),
    row("TAP", "TAP Air Portugal Navigator", "Membership Number (9 Digits - Do not include 'TP' prefix)", "PIN (4-6 Digits)", "",
        "469", "62", "TP", 0, 0, 1.0f, S | N),
    row("Thai", "Thai Airways Royal Orchid Plus", "Member ID (2 Letters + 5 Digits)", "PIN", "",
        "503", "62", "TG", 0, 0, 1.0f, S | N),
    row("Thrifty", "Thrifty Blue Chip", "Blue Chip #", "Password", "",
        "425", "33", "TC", 0, 0, 1.0f, S | N),
    row("TripRewards", "TripRewards Guest Rewards", "Username", "Password", "",
        "431", "54", "TR", 0, 0, 0.4f, S | N),
    row("Turkish", "Turkish Airlines Miles & Miles", "Member ID (Do not include 'TK' prefix)", "PIN", "",
        "469", "62", "TK", 0, 0, 1.0f, S | N),
    row("United", "United Mileage Plus", "Account # (11 Digits - Add 0's to front if necessary)", "Password (6 or More Characters)", "",
        "504", "52", "UA", 0, 0, 1.0f, S | N | D | A),
    row("Upromise", "Upromise", "Username", "Password", "",
        "2", "55", "UP", 2, 2, 50.0f, S | N),
    row("USAir", "US Airways Dividend Miles", "Account", "PIN (4 Digits)", "",
        "505", "63", "US", 0, 0, 1.0f, S | N | D | A),
    row("Varig", "Varig Smiles", "Card Number (9 Digits)", "PIN (4 Digits)", "",
        "514", "62", "RG", 0, 0, 1.0f, S | N),
    row("VirginAtlantic", "Virgin Atlantic Flying Club", "Username", "Password", "",
        "506", "53", "VS", 0, 0, 1.0f, S | N),
    row("Webmiles", "Webmiles", "Username", "Passwort", "",
        "", "", "WM", 0, 0, 1.0f, S | N),
    row("Wyndham", "Wyndham ByRequest", "Account Number", "Password", "",
        "430", "22", "WB", 0, 0, 1.0f, N),
    row("Yahoo", "Yahoo! Points", "Yahoo! ID", "Password", "",
        "2", "55", "YH", 0, 0, 0.5f, S | N),
    };
    return rows;
}

const std::vector<const SourceConfig*>& standardTable() {
    static const std::vector<const SourceConfig*> table = [] {
        std::vector<const SourceConfig*> t;
        for (const SourceConfig& config : sourceRows()) t.push_back(&config);
        return t;
    }();
    return table;
}

const std::vector<const SourceConfig*>& activeTable() {
    return BaseRLApp::isAppTypeFarhaven() ? RLPreferences::SOURCE_CONFIGS_FARHAVEN()
                                          : RLPreferences::SOURCE_CONFIGS_STANDARD();
}

// ---- The password cipher -------------------------------------------------------------

// One cipher object holds one chaining value, so every use is serialised.
struct Cipher {
    std::mutex lock;
    std::unique_ptr<foundation::BlowfishEasy> blowfish;

    foundation::BlowfishEasy& get() {
        if (!blowfish) blowfish = std::make_unique<foundation::BlowfishEasy>(RLPreferences::BLOWFISH_PASS_PHRASE);
        return *blowfish;
    }
};

Cipher& cipher() {
    static Cipher instance;
    return instance;
}

// ---- The launch report ---------------------------------------------------------------

std::mutex& reporterLock() {
    static std::mutex lock;
    return lock;
}

RLPreferences::StatsReporter& reporter() {
    static RLPreferences::StatsReporter instance = RLPreferences::defaultStatsReporter();
    return instance;
}

std::mutex& listenerLock() {
    static std::mutex lock;
    return lock;
}

RLPreferences::UserRemovedListener& userRemovedListener() {
    static RLPreferences::UserRemovedListener instance;
    return instance;
}

const char* const CRLF = "\r\n";

const char* const WEEKDAYS[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};

std::string twoDigits(int value) {
    std::string s = std::to_string(value % 100);
    return s.size() < 2 ? "0" + s : s;
}

// The default locale as language and country ("en_US"), from the usual
// environment variables; the C locale counts as US English.
std::string defaultLocaleText() {
    const char* names[] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    for (const char* name : names) {
        const char* value = std::getenv(name);
        if (!value || !*value) continue;
        std::string text = value;
        size_t cut = text.find_first_of(".@");
        if (cut != std::string::npos) text.erase(cut);
        if (text.empty() || text == "C" || text == "POSIX") break;
        return text;
    }
    return "en_US";
}

std::string appTypeName(int appType) {
    switch (appType) {
        case 0: return "Lanternbay";
        case 1: return "Farhaven";
        case 2: return "BRTW";
        case 3: return "Roambay";
        default: return "";
    }
}

// The statuses after which the stored balance of the last success stays.
bool keepsStoredBalance(const std::string& value) {
    return value == RLPreferences::DISPLAY_TIMEOUT || value == RLPreferences::DISPLAY_UNKNOWN ||
           value == RLPreferences::DISPLAY_INVALID_LOGIN || value == RLPreferences::DISPLAY_LOGIN_LENGTH ||
           value == RLPreferences::DISPLAY_PROVIDER_PROBLEM || value == RLPreferences::DISPLAY_MAINTENANCE ||
           value == RLPreferences::DISPLAY_NON_FUNCTIONAL || value == RLPreferences::DISPLAY_INTERACTION_REQUIRED ||
           value == RLPreferences::DISPLAY_BLOCKED_LOGIN;
}

void logUnknownAccount(int user, const std::string& key) {
    Logger::error("Cannot find the account of user " + std::to_string(user) + " for program " + key);
}

}  // namespace

// ---- Program table ----------------------------------------------------------------------

const std::vector<const SourceConfig*>& RLPreferences::SOURCE_CONFIGS_STANDARD() { return standardTable(); }

const std::vector<const SourceConfig*>& RLPreferences::SOURCE_CONFIGS_FARHAVEN() { return standardTable(); }

int RLPreferences::getSourceCount() { return static_cast<int>(activeTable().size()); }

const SourceConfig* RLPreferences::getConfig(int row) {
    const auto& table = activeTable();
    if (row < 0 || row >= static_cast<int>(table.size())) return nullptr;
    return table[static_cast<size_t>(row)];
}

std::string RLPreferences::getKey(int row) {
    const SourceConfig* config = getConfig(row);
    return config ? config->getKey() : "";
}

std::optional<int> RLPreferences::findRow(const std::string& key) {
    const auto& table = activeTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i]->getKey() == key) return static_cast<int>(i);
    }
    return std::nullopt;
}

const SourceConfig* RLPreferences::getConfig(const std::string& key) {
    std::optional<int> row = findRow(key);
    return row ? getConfig(*row) : nullptr;
}

std::string RLPreferences::convertDisplayToKey(const std::string& display) {
    for (const SourceConfig* config : activeTable()) {
        if (config->getDisplay() == display) return config->getKey();
    }
    return "";
}

std::optional<int> RLPreferences::findRowByAbbreviation(const std::string& abbreviation) {
    const auto& table = activeTable();
    for (size_t i = 0; i < table.size(); ++i) {
        if (table[i]->getAbbreviation() == abbreviation) return static_cast<int>(i);
    }
    return std::nullopt;
}

std::optional<std::string> RLPreferences::getDisplayFromAbbreviation(const std::string& abbreviation) {
    std::optional<int> row = findRowByAbbreviation(abbreviation);
    if (!row) return std::nullopt;
    return getConfig(*row)->getDisplay();
}

std::string RLPreferences::generateAbbreviationLookupHTML(const std::string& cssPath) {
    std::vector<std::string> abbreviations;
    for (const SourceConfig* config : activeTable()) abbreviations.push_back(config->getAbbreviation());
    foundation::MiscUtil::sort(abbreviations);

    std::string html;
    html.reserve(7000);
    html += "<html><head><link rel=\"StyleSheet\" type=\"text/css\" href=\"" + cssPath + "\"/></head><body><center>";
    html += "<table cellpadding=" + std::to_string(getCellPadding()) + " cellspacing=" +
            std::to_string(getCellSpacing()) + " width=475><tr class=d><td class=c colspan=4><b>" +
            Messages::get("RLPreferences.Abbreviations") + "</b></td></tr>";
    const size_t n = abbreviations.size();
    const size_t rows = (n + 1) / 2;
    auto displayOf = [](const std::string& abbreviation) {
        return getDisplayFromAbbreviation(abbreviation).value_or("");
    };
    for (size_t r = 0; r < rows; ++r) {
        const std::string& left = abbreviations[r];
        html += std::string("<tr class=") + (r % 2 == 1 ? "d" : "l") + "><td class=c>&nbsp;" + left +
                "</td><td>&nbsp;" + displayOf(left) + "</td><td class=c>&nbsp;";
        if (r + rows < n) {
            const std::string& right = abbreviations[r + rows];
            html += right + "</td><td>&nbsp;" + displayOf(right) + "</td></tr>";
        } else {
            html += "</td><td>&nbsp;</td></tr>";
        }
    }
    html += "</table></center></body></html>";
    return html;
}

void RLPreferences::printSourceTable(std::ostream& out) {
    for (const SourceConfig* config : SOURCE_CONFIGS_STANDARD()) {
        out << config->getKey() << '\t' << config->getDisplay() << '\n';
    }
}

// ---- Start-up -----------------------------------------------------------------------------

std::string RLPreferences::generateUUID() {
    uuid_t id;
    uuid_generate_time(id);
    char text[37];
    uuid_unparse_lower(id, text);
    return text;
}

void RLPreferences::loadPrefs(const std::string& name, std::shared_ptr<IPrefPersist> store) {
    m_startThisLaunch = currentTimeMillis();
    BasePreferences::loadPrefs(name, store);
    if (!store) return;

    const bool farhaven = BaseRLApp::isAppTypeFarhaven();
    m_horizontalLayout.set(store->getStringValue(PREF_HORIZONTAL_LAYOUT, DEFAULT_HORIZONTAL_LAYOUT));
    m_flyerTalkLinks.set(farhaven ? "false" : store->getStringValue(PREF_FLYERTALK_LINKS, DEFAULT_FLYERTALK_LINKS));
    m_ITYTLinks.set(farhaven ? "false" : store->getStringValue(PREF_ITYT_LINKS, DEFAULT_ITYT_LINKS));
    m_calculateTotal.set(store->getStringValue(PREF_CALCULATE_TOTAL, DEFAULT_CALCULATE_TOTAL));
    m_showUsernames.set(store->getStringValue(PREF_SHOW_USERNAMES, DEFAULT_SHOW_USERNAMES));
    m_reverseHistory.set(farhaven ? "true" : store->getStringValue(PREF_REVERSE_HISTORY, DEFAULT_REVERSE_HISTORY));
    m_maskPasswords.set(store->getStringValue(PREF_MASK_PASSWORDS, DEFAULT_MASK_PASSWORDS));
    m_colorHeaderRow.set(store->getStringValue(PREF_COLOR_HEADER_ROW, DEFAULT_COLOR_HEADER_ROW));
    m_colorLightRow.set(store->getStringValue(PREF_COLOR_LIGHT_ROW, DEFAULT_COLOR_LIGHT_ROW));
    m_colorDarkRow.set(store->getStringValue(PREF_COLOR_DARK_ROW, DEFAULT_COLOR_DARK_ROW));

    m_settingsVersion.set(store->getStringValue(PREF_SETTINGS_VERSION, DEFAULT_SETTINGS_VERSION));
    store->setStringValue(PREF_SETTINGS_VERSION, BUILD_VERSION);

    std::string uuid = store->getStringValue(PREF_UUID, DEFAULT_UUID);
    if (uuid.empty()) {
        uuid = generateUUID();
        store->setStringValue(PREF_UUID, uuid);
    }
    m_uuid.set(uuid);

    m_cellPadding = store->getIntValue(PREF_CELL_PADDING, DEFAULT_CELL_PADDING);
    m_cellSpacing = store->getIntValue(PREF_CELL_SPACING, DEFAULT_CELL_SPACING);
    m_adsLastLaunch = store->getIntValue(PREF_ADS_LAST_LAUNCH, DEFAULT_ADS_LAST_LAUNCH);

    const int launches = store->getIntValue(PREF_LAUNCH_COUNT, DEFAULT_LAUNCH_COUNT);
    setLaunchCount(launches == INT_MAX ? launches : launches + 1);

    std::string accountPairs;
    loadUsersAndAccounts(accountPairs);

    std::string report = collectSystemAndSettingsInfo(false);
    report += accountPairs;
    report += CRLF;

    const int appType = BaseRLApp::getAppType();
    std::optional<std::string> extra;
    if (BaseRLApp::isAppTypeBranded()) extra = "ReportedOn=Launch";
    StatsReporter send;
    {
        std::lock_guard<std::mutex> guard(reporterLock());
        send = reporter();
    }
    if (send) {
        try {
            send(report, uuid, extra, appType);
        } catch (const std::exception& failure) {
            Logger::error("Unable to send the launch report", failure);
        }
    }
    resetAdCount();
}

void RLPreferences::loadUsersAndAccounts(std::string& report) {
    auto store = getPrefPersist();
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        m_users.clear();
        m_accounts.clear();
    }
    m_accountCountOnLaunch = 0;

    addUser(store->getStringValue(std::string(USER_PREFIX) + "0", DEFAULT_PRIME_USER_NAME), false);
    for (int n = 1;; ++n) {
        std::string name = store->getStringValue(USER_PREFIX + std::to_string(n), "");
        if (name.empty()) break;
        addUser(name, false);
    }

    const auto& table = activeTable();
    std::unique_lock<std::shared_mutex> guard(m_usersLock);
    for (size_t user = 0; user < m_users.size(); ++user) {
        for (size_t r = 0; r < table.size(); ++r) {
            const std::string& key = table[r]->getKey();
            const std::string prefix = accountPrefix(static_cast<int>(user), key);
            AccountRow& cells = m_accounts[user][r];

            std::string username = store->getStringValue(prefix + SUFFIX_USERNAME, "");
            if (username.find_first_of("- ") != std::string::npos) {
                std::string compact;
                for (char c : username) {
                    if (c != '-' && c != ' ') compact += c;
                }
                if (foundation::StrUtil::isNumeric(compact, false)) {
                    store->setStringValue(prefix + SUFFIX_USERNAME, compact);
                    username = compact;
                }
            }
            cells[ACCOUNT_COL_USERNAME] = username;
            if (username.empty()) {
                cells[ACCOUNT_COL_PASSWORD] = std::string();
                cells[ACCOUNT_COL_PASSWORD2] = std::string();
                continue;
            }
            cells[ACCOUNT_COL_PASSWORD] = decryptPassword(store->getStringValue(prefix + SUFFIX_PASSWORD, ""));
            std::string password2 = store->getStringValue(prefix + SUFFIX_PASSWORD2, "");
            cells[ACCOUNT_COL_PASSWORD2] = password2.empty() ? std::string() : decryptPassword(password2);
            cells[ACCOUNT_COL_BALANCE_PREVIOUS] = store->getStringValue(prefix + SUFFIX_BALANCE, DISPLAY_NEVER_CHECKED);
            cells[ACCOUNT_COL_BALANCE_CURRENT] = std::string();
            cells[ACCOUNT_COL_DETAILS] = store->getStringValue(prefix + SUFFIX_DETAILS, "");
            cells[ACCOUNT_COL_TRANSACTIONS] = store->getStringValue(prefix + SUFFIX_TRANSACTIONS, "");

            appendNameValuePair(report, std::to_string(user) + ":" + key, cells[ACCOUNT_COL_BALANCE_PREVIOUS]);
            ++m_accountCountOnLaunch;
        }
    }
}

void RLPreferences::destroy() {
    Cipher& c = cipher();
    std::lock_guard<std::mutex> guard(c.lock);
    if (c.blowfish) c.blowfish->destroy();
    c.blowfish.reset();
}

void RLPreferences::setStatsReporter(StatsReporter reporterFunction) {
    std::lock_guard<std::mutex> guard(reporterLock());
    reporter() = std::move(reporterFunction);
}

RLPreferences::StatsReporter RLPreferences::defaultStatsReporter() {
    return [](const std::string& message, const std::string& uuid, const std::optional<std::string>& extra,
              int appType) { foundation::AsynchURL::reportStats(message, uuid, extra, appType); };
}

// ---- Display options -------------------------------------------------------------------------

void RLPreferences::setHorizontalLayout(bool value) { setHorizontalLayout(std::string(booleanText(value))); }

void RLPreferences::setFlyerTalkLinks(bool value) { setFlyerTalkLinks(std::string(booleanText(value))); }

void RLPreferences::setITYTLinks(bool value) { setITYTLinks(std::string(booleanText(value))); }

void RLPreferences::setCalculateTotal(bool value) { setCalculateTotal(std::string(booleanText(value))); }

void RLPreferences::setShowUsernames(bool value) { setShowUsernames(std::string(booleanText(value))); }

void RLPreferences::setReverseHistory(bool value) { setReverseHistory(std::string(booleanText(value))); }

void RLPreferences::setMaskPasswords(bool value) { setMaskPasswords(std::string(booleanText(value))); }

void RLPreferences::setHorizontalLayout(const std::string& text) {
    m_horizontalLayout.set(text);
    storeString(PREF_HORIZONTAL_LAYOUT, text);
}

void RLPreferences::setFlyerTalkLinks(const std::string& text) {
    m_flyerTalkLinks.set(text);
    storeString(PREF_FLYERTALK_LINKS, text);
}

void RLPreferences::setITYTLinks(const std::string& text) {
    m_ITYTLinks.set(text);
    storeString(PREF_ITYT_LINKS, text);
}

void RLPreferences::setCalculateTotal(const std::string& text) {
    m_calculateTotal.set(text);
    storeString(PREF_CALCULATE_TOTAL, text);
}

void RLPreferences::setShowUsernames(const std::string& text) {
    m_showUsernames.set(text);
    storeString(PREF_SHOW_USERNAMES, text);
}

void RLPreferences::setReverseHistory(const std::string& text) {
    m_reverseHistory.set(text);
    storeString(PREF_REVERSE_HISTORY, text);
}

void RLPreferences::setMaskPasswords(const std::string& text) {
    m_maskPasswords.set(text);
    storeString(PREF_MASK_PASSWORDS, text);
}

void RLPreferences::setColorHeaderRow(const std::string& value) {
    m_colorHeaderRow.set(value);
    storeString(PREF_COLOR_HEADER_ROW, value);
}

void RLPreferences::setColorLightRow(const std::string& value) {
    m_colorLightRow.set(value);
    storeString(PREF_COLOR_LIGHT_ROW, value);
}

void RLPreferences::setColorDarkRow(const std::string& value) {
    m_colorDarkRow.set(value);
    storeString(PREF_COLOR_DARK_ROW, value);
}

void RLPreferences::setCellPadding(int value) {
    m_cellPadding = value;
    storeInt(PREF_CELL_PADDING, value);
}

void RLPreferences::setCellSpacing(int value) {
    m_cellSpacing = value;
    storeInt(PREF_CELL_SPACING, value);
}

void RLPreferences::resetAdCount() {
    m_adsLastLaunch = 0;
    storeInt(PREF_ADS_LAST_LAUNCH, 0);
}

void RLPreferences::incrementAdCount() { storeInt(PREF_ADS_LAST_LAUNCH, ++m_adsLastLaunch); }

void RLPreferences::incrementAdCount(const std::optional<std::string>& text, const std::string& fragment) {
    if (text && text->find(fragment) != std::string::npos) incrementAdCount();
}

// ---- The system and settings report ---------------------------------------------------------

std::string RLPreferences::formatReportDate(int64_t millis) {
    std::time_t seconds = static_cast<std::time_t>(millis / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    int hour = local.tm_hour % 12;
    if (hour == 0) hour = 12;
    return std::string(WEEKDAYS[local.tm_wday % 7]) + ", " + twoDigits(local.tm_mon + 1) + "/" +
           twoDigits(local.tm_mday) + "/" + twoDigits(local.tm_year % 100) + " at " + std::to_string(hour) + ":" +
           twoDigits(local.tm_min) + " " + (local.tm_hour < 12 ? "AM" : "PM");
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name,
                                        const std::optional<std::string>& value) {
    appendNameValuePair(buffer, name, value, true);
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name,
                                        const std::optional<std::string>& value, bool newLine) {
    if (newLine) buffer += CRLF;
    buffer += name;
    buffer += '=';
    buffer += value ? *value : "null";
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name, int64_t value) {
    appendNameValuePair(buffer, name, std::optional<std::string>(std::to_string(value)), true);
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name,
                                        const std::optional<std::string>& value, const std::string& defaultValue) {
    if (value && *value == defaultValue) return;
    appendNameValuePair(buffer, name, value, true);
}

void RLPreferences::appendNameValuePair(std::string& buffer, const std::string& name, int64_t value,
                                        int64_t defaultValue) {
    if (value == defaultValue) return;
    appendNameValuePair(buffer, name, value);
}

std::string RLPreferences::collectSystemAndSettingsInfo(bool skip) {
    using foundation::EnvUtil;
    std::string buffer;
    buffer.reserve(800);
    appendNameValuePair(buffer, "SubmittedTime", formatReportDate(currentTimeMillis()), false);
    appendNameValuePair(buffer, "AppVersion", BUILD_VERSION);
    appendNameValuePair(buffer, "SettingsVersion", m_settingsVersion.get());
    const int appType = BaseRLApp::getAppType();
    const std::string typeName = appTypeName(appType);
    if (!typeName.empty()) appendNameValuePair(buffer, "AppType", typeName);

    appendNameValuePair(buffer, "Locale", defaultLocaleText());
    appendNameValuePair(buffer, "OS", EnvUtil::getOperatingSystem());
    appendNameValuePair(buffer, "OSRev", EnvUtil::getOperatingSystemDetails());
    appendNameValuePair(buffer, "Directory", EnvUtil::getWorkingDirectory(false));
    appendNameValuePair(buffer, "Resolution", EnvUtil::getResolution());
    appendNameValuePair(buffer, "MHz", EnvUtil::getMHz());
    appendNameValuePair(buffer, "Processor", EnvUtil::getProcessorName());
    appendNameValuePair(buffer, "IE", EnvUtil::getIEVersion());
    appendNameValuePair(buffer, "JavaScript-Local", EnvUtil::getJavaScriptEnabled("1"));
    appendNameValuePair(buffer, "JavaScript-Internet", EnvUtil::getJavaScriptEnabled("3"));
    appendNameValuePair(buffer, "TitleBarHeight", static_cast<int64_t>(EnvUtil::getTitleBarHeight()));

    if (!BaseRLApp::isAppTypeLanternbay()) {
        using foundation::JNIUtil;
        try {
            std::string connection;
            appendNameValuePair(connection, "Connected", booleanText(JNIUtil::isConnected()));
            appendNameValuePair(connection, "ConnectionName", JNIUtil::getConnectionName());
            appendNameValuePair(connection, "LAN", booleanText(JNIUtil::isLAN()));
            appendNameValuePair(connection, "Modem", booleanText(JNIUtil::isModem()));
            appendNameValuePair(connection, "ViaProxy", booleanText(JNIUtil::isViaProxy()));
            buffer += connection;
        } catch (const std::exception& failure) {
            Logger::error("Unable to collect connection information", failure);
        }
    }

    appendNameValuePair(buffer, "UUID", m_uuid.get());
    appendNameValuePair(buffer, "ParentUUID", BaseRLApp::getParentUUID());
    appendNameValuePair(buffer, "UserCount", static_cast<int64_t>(getUserCount()));
    appendNameValuePair(buffer, "StatLastRunDate", getLastRunDate());
    appendNameValuePair(buffer, "StatLaunchCount", static_cast<int64_t>(getLaunchCount()));
    appendNameValuePair(buffer, "StatPanelPopupDate", getPanelPopupDate());

    appendNameValuePair(buffer, PREF_MAX_THREADS_HIGH, getMaxThreadsHigh(), DEFAULT_MAX_THREADS_HIGH);
    appendNameValuePair(buffer, PREF_MAX_THREADS_LOW, getMaxThreadsLow(), DEFAULT_MAX_THREADS_LOW);
    appendNameValuePair(buffer, PREF_NICE_LEVEL, getNiceLevel(), DEFAULT_NICE_LEVEL);
    appendNameValuePair(buffer, PREF_THREAD_POLL, getThreadPoll(), DEFAULT_THREAD_POLL);
    appendNameValuePair(buffer, PREF_PAGE_TIMEOUT, getPageTimeout(), DEFAULT_PAGE_TIMEOUT);
    appendNameValuePair(buffer, PREF_OVERALL_TIMEOUT, getOverallTimeout(), DEFAULT_OVERALL_TIMEOUT);
    appendNameValuePair(buffer, PREF_HIDE_NAVIGATOR, m_hideNavigator.get(), DEFAULT_HIDE_NAVIGATOR);
    appendNameValuePair(buffer, PREF_CLOSE_NAVIGATORS, m_closeNavigators.get(), DEFAULT_CLOSE_NAVIGATORS);
    appendNameValuePair(buffer, PREF_PERSIST_DOWNLOADS, m_persistDownloads.get(), DEFAULT_PERSIST_DOWNLOADS);
    appendNameValuePair(buffer, PREF_LOGGING_LEVEL, getLoggingLevel(), DEFAULT_LOGGING_LEVEL);
    appendNameValuePair(buffer, PREF_WINDOW_X, getWindowX(), DEFAULT_WINDOW_X);
    appendNameValuePair(buffer, PREF_WINDOW_Y, getWindowY(), DEFAULT_WINDOW_Y);
    appendNameValuePair(buffer, PREF_WINDOW_WIDTH, getWindowWidth(), DEFAULT_WINDOW_WIDTH);
    appendNameValuePair(buffer, PREF_WINDOW_HEIGHT, getWindowHeight(), DEFAULT_WINDOW_HEIGHT);
    appendNameValuePair(buffer, PREF_HORIZONTAL_LAYOUT, m_horizontalLayout.get(), DEFAULT_HORIZONTAL_LAYOUT);
    appendNameValuePair(buffer, PREF_FLYERTALK_LINKS, m_flyerTalkLinks.get(), DEFAULT_FLYERTALK_LINKS);
    appendNameValuePair(buffer, PREF_ITYT_LINKS, m_ITYTLinks.get(), DEFAULT_ITYT_LINKS);
    appendNameValuePair(buffer, PREF_CALCULATE_TOTAL, m_calculateTotal.get(), DEFAULT_CALCULATE_TOTAL);
    appendNameValuePair(buffer, PREF_SHOW_USERNAMES, m_showUsernames.get(), DEFAULT_SHOW_USERNAMES);
    appendNameValuePair(buffer, PREF_REVERSE_HISTORY, m_reverseHistory.get(), DEFAULT_REVERSE_HISTORY);
    appendNameValuePair(buffer, PREF_MASK_PASSWORDS, m_maskPasswords.get(), DEFAULT_MASK_PASSWORDS);
    appendNameValuePair(buffer, PREF_COLOR_HEADER_ROW, m_colorHeaderRow.get(), DEFAULT_COLOR_HEADER_ROW);
    appendNameValuePair(buffer, PREF_COLOR_LIGHT_ROW, m_colorLightRow.get(), DEFAULT_COLOR_LIGHT_ROW);
    appendNameValuePair(buffer, PREF_COLOR_DARK_ROW, m_colorDarkRow.get(), DEFAULT_COLOR_DARK_ROW);
    appendNameValuePair(buffer, PREF_CELL_PADDING, getCellPadding(), DEFAULT_CELL_PADDING);
    appendNameValuePair(buffer, PREF_CELL_SPACING, getCellSpacing(), DEFAULT_CELL_SPACING);

    if (!skip) {
        appendNameValuePair(buffer, PREF_DURATION_LAST_LAUNCH, getDurationLastLaunch(), DEFAULT_DURATION_LAST_LAUNCH);
        if (BaseRLApp::isAppTypeBranded()) {
            appendNameValuePair(buffer, PREF_ADS_LAST_LAUNCH, getAdsLastLaunch(), DEFAULT_ADS_LAST_LAUNCH);
        }
    }
    return buffer;
}

// ---- Users and accounts ---------------------------------------------------------------------

std::string RLPreferences::accountPrefix(int user, const std::string& key) {
    return USER_PREFIX + std::to_string(user) + key;
}

std::string RLPreferences::encryptPassword(const std::string& plain) {
    Cipher& c = cipher();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.get().encryptString(plain);
}

std::optional<std::string> RLPreferences::decryptPassword(const std::string& stored) {
    Cipher& c = cipher();
    std::lock_guard<std::mutex> guard(c.lock);
    return c.get().decryptString(stored);
}

int RLPreferences::getUserCount() {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    return static_cast<int>(m_users.size());
}

std::string RLPreferences::getDisplayNameForUser(int user) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    if (user < 0 || user >= static_cast<int>(m_users.size())) return "";
    return m_users[static_cast<size_t>(user)];
}

void RLPreferences::addUser(const std::string& name, bool emptyLogins) {
    int index;
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        AccountRow fresh;
        if (emptyLogins) {
            fresh[ACCOUNT_COL_USERNAME] = std::string();
            fresh[ACCOUNT_COL_PASSWORD] = std::string();
            fresh[ACCOUNT_COL_PASSWORD2] = std::string();
        }
        m_users.push_back(name);
        m_accounts.emplace_back(activeTable().size(), fresh);
        index = static_cast<int>(m_users.size()) - 1;
    }
    storeString(USER_PREFIX + std::to_string(index), name);
}

void RLPreferences::renameUser(int user, const std::string& name) {
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        if (user < 0 || user >= static_cast<int>(m_users.size())) {
            Logger::error("Cannot rename user " + std::to_string(user) + ": no such user");
            return;
        }
        m_users[static_cast<size_t>(user)] = name;
    }
    storeString(USER_PREFIX + std::to_string(user), name);
}

void RLPreferences::removeUser(int user) {
    {
        std::unique_lock<std::shared_mutex> guard(m_usersLock);
        if (user < 0 || user >= static_cast<int>(m_users.size())) {
            Logger::error("Cannot remove user " + std::to_string(user) + ": no such user");
            return;
        }
        m_users.erase(m_users.begin() + user);
        m_accounts.erase(m_accounts.begin() + user);
        const int count = static_cast<int>(m_users.size());
        if (auto store = getPrefPersist()) {
            store->removeKeysWithPrefix(USER_PREFIX + std::to_string(user));
            for (int j = user; j < count; ++j) {
                store->renameKeysWithPrefix(USER_PREFIX + std::to_string(j + 1), USER_PREFIX + std::to_string(j));
            }
        }
    }
    UserRemovedListener listener;
    {
        std::lock_guard<std::mutex> guard(listenerLock());
        listener = userRemovedListener();
    }
    if (listener) {
        try {
            listener(user);
        } catch (const std::exception& failure) {
            Logger::error("Unable to move the history of removed user " + std::to_string(user), failure);
        }
    }
}

void RLPreferences::setUserRemovedListener(UserRemovedListener listener) {
    std::lock_guard<std::mutex> guard(listenerLock());
    userRemovedListener() = std::move(listener);
}

void RLPreferences::removeAccount(int user, const std::string& key) {
    if (!findRow(key)) {
        logUnknownAccount(user, key);
        return;
    }
    auto store = getPrefPersist();
    if (!store) return;
    const std::string prefix = accountPrefix(user, key);
    for (const char* suffix :
         {SUFFIX_USERNAME, SUFFIX_PASSWORD, SUFFIX_PASSWORD2, SUFFIX_BALANCE, SUFFIX_DETAILS, SUFFIX_TRANSACTIONS}) {
        store->removeKey(prefix + suffix);
    }
}

namespace {

// The cell of an account, under the users lock held by the caller; nullptr
// for an unknown user or key.
template <typename Accounts>
auto* findRowIn(Accounts& accounts, int user, const std::string& key) {
    using Row = std::remove_reference_t<decltype(accounts[0][0])>;
    if (user < 0 || user >= static_cast<int>(accounts.size())) return static_cast<Row*>(nullptr);
    std::optional<int> row = RLPreferences::findRow(key);
    if (!row || *row >= static_cast<int>(accounts[static_cast<size_t>(user)].size())) {
        return static_cast<Row*>(nullptr);
    }
    return &accounts[static_cast<size_t>(user)][static_cast<size_t>(*row)];
}

}  // namespace

std::optional<RLPreferences::AccountRow> RLPreferences::getAccountRow(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    if (!cells) return std::nullopt;
    return *cells;
}

std::string RLPreferences::getUsername(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    return cells ? (*cells)[ACCOUNT_COL_USERNAME].value_or("") : "";
}

std::string RLPreferences::getPassword(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    return cells ? (*cells)[ACCOUNT_COL_PASSWORD].value_or("") : "";
}

std::string RLPreferences::getPassword2(int user, const std::string& key) {
    std::shared_lock<std::shared_mutex> guard(m_usersLock);
    const AccountRow* cells = findRowIn(m_accounts, user, key);
    return cells ? (*cells)[ACCOUNT_COL_PASSWORD2].value_or("") : "";
}

namespace {

// Sets one cell; answers false (and logs) for an unknown account.
bool setCell(std::shared_mutex& lock, std::vector<std::vector<RLPreferences::AccountRow>>& accounts, int user,
             const std::string& key, int column, const std::optional<std::string>& value) {
    std::unique_lock<std::shared_mutex> guard(lock);
    RLPreferences::AccountRow* cells = findRowIn(accounts, user, key);
    if (!cells) {
        logUnknownAccount(user, key);
        return false;
    }
    (*cells)[static_cast<size_t>(column)] = value;
    return true;
}

std::optional<std::string> getCell(std::shared_mutex& lock,
                                   const std::vector<std::vector<RLPreferences::AccountRow>>& accounts, int user,
                                   const std::string& key, int column) {
    std::shared_lock<std::shared_mutex> guard(lock);
    const RLPreferences::AccountRow* cells = findRowIn(accounts, user, key);
    if (!cells) return std::nullopt;
    return (*cells)[static_cast<size_t>(column)];
}

}  // namespace

void RLPreferences::setUsername(int user, const std::string& key, const std::string& value) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_USERNAME, value)) {
        storeString(accountPrefix(user, key) + SUFFIX_USERNAME, value);
    }
}

void RLPreferences::setPassword(int user, const std::string& key, const std::string& plain) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_PASSWORD, plain)) {
        storeString(accountPrefix(user, key) + SUFFIX_PASSWORD, encryptPassword(plain));
    }
}

void RLPreferences::setPassword2(int user, const std::string& key, const std::string& plain) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_PASSWORD2, plain)) {
        storeString(accountPrefix(user, key) + SUFFIX_PASSWORD2, encryptPassword(plain));
    }
}

std::optional<std::string> RLPreferences::getCurrentBalance(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_CURRENT);
}

void RLPreferences::setCurrentBalance(int user, const std::string& key, const std::optional<std::string>& value) {
    if (!setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_CURRENT, value)) return;
    if (!value) return;
    const std::string storeKey = accountPrefix(user, key) + SUFFIX_BALANCE;
    if (*value == DISPLAY_PENDING) {
        storeString(storeKey, DISPLAY_NEVER_CHECKED);
    } else if (!keepsStoredBalance(*value)) {
        storeString(storeKey, *value);
    }
}

std::optional<std::string> RLPreferences::getPreviousBalance(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_PREVIOUS);
}

void RLPreferences::setPreviousBalance(int user, const std::string& key, const std::optional<std::string>& value) {
    setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_BALANCE_PREVIOUS, value);
}

std::optional<std::string> RLPreferences::getDetails(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_DETAILS);
}

std::optional<std::string> RLPreferences::getTransactions(int user, const std::string& key) {
    return getCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_TRANSACTIONS);
}

void RLPreferences::setDetails(int user, const std::string& key, const std::string& rows) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_DETAILS, rows)) {
        storeString(accountPrefix(user, key) + SUFFIX_DETAILS, rows);
    }
}

void RLPreferences::setTransactions(int user, const std::string& key, const std::string& rows) {
    if (setCell(m_usersLock, m_accounts, user, key, ACCOUNT_COL_TRANSACTIONS, rows)) {
        storeString(accountPrefix(user, key) + SUFFIX_TRANSACTIONS, rows);
    }
}

void RLPreferences::setAllCurrentBalancesToPending() {
    std::unique_lock<std::shared_mutex> guard(m_usersLock);
    for (auto& rows : m_accounts) {
        for (auto& cells : rows) cells[ACCOUNT_COL_BALANCE_CURRENT] = DISPLAY_PENDING;
    }
}

}  // namespace tracker

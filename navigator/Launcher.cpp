#include "navigator/Launcher.h"

#include <iostream>

#include "foundation/Logger.h"
#include "foundation/StrUtil.h"
#include "navigator/BaseNavigator.h"
#include "navigator/impl/Sites.h"

namespace navigator {

using foundation::Logger;

const std::array<const char*, 112> Launcher::CLASSES = {
    "Aeroflot", "Aeromexico", "AirCanada", "AirMiles", "AirMilesMart", "AirNewZealand", "AirTran", "Alamo",
    "Alaska", "Alitalia", "Aloha", "AmericaWest", "American", "AmericanExpress", "AmericanExpressAustralia",
    "AmericanExpressGermany", "Amtrak", "ANA", "Asiana", "Avis", "ATA", "BAA", "BankAmericaMilesEdge",
    "BestWestern", "BritishAirways", "BritishMidland", "CapitalOneNoHassle", "CapitalOneNoHassleSmallBus",
    "CathayPacific", "ChaseTravel", "Choice", "Citi", "ClickRewards", "Continental", "CountryInns", "Czech",
    "Delta", "DinersClub", "DinersClubAustralia", "Discover", "Ebates", "Ebay", "ELAL", "Emirates", "Epoll",
    "Erewards", "Eva", "Fairmont", "Fiesta", "Finnair", "KLM", "Frontier", "GlobalPass", "GMCard", "GoldPoints",
    "GrupoTaca", "HappyDigits", "Hawaiian", "Hertz", "Hilton", "Hyatt", "Iberia", "Japan", "JetAirways",
    "JetBlue", "Korean", "LeMeridien", "Loews", "Lufthansa", "Marriott", "MBNA", "Mexicana", "Microtel",
    "MidwestExpress", "Milesource", "MyPoints", "Sony", "EmeraldClub", "Northwest", "Omni", "ParkInn",
    "ParkPlaza", "Payback", "PrimeRewards", "SixContinents", "Qantas", "Radisson", "RedRoof", "Regent",
    "LaQuinta", "Greenpoints", "SAS", "Singapore", "SNBrussels", "SolMelia", "SouthAfrican", "Southwest",
    "Starwood", "Swiss", "TAP", "Thai", "Thrifty", "TripRewards", "Turkish", "United", "Upromise", "USAir",
    "Varig", "VirginAtlantic", "Webmiles", "Wyndham", "Yahoo",
};

int Launcher::main(const std::vector<std::string>& args) { return main(args, std::cin); }

int Launcher::main(const std::vector<std::string>& commandLine, std::istream& input) {
    Logger::setLevel(Logger::LEVEL_VERBOSE);
    Logger::setLogFilePath(LOG_FILE);
    Logger::setUseConsole(false);
    const bool fromInput = commandLine.size() == 1 && commandLine[0] == STDIN_FLAG;
    const std::vector<std::string> args = fromInput ? readArguments(input) : commandLine;
    if (args.size() != 3 && args.size() != 4) {
        Logger::error("Incorrect number of arguments (" + std::to_string(args.size()) +
                      ").  This app is not designed to be launched manually.");
        return -1;
    }
    launchNavigator(args[0], args[1], args[2], args.size() == 4 ? std::optional<std::string>(args[3]) : std::nullopt);
    return 0;
}

std::vector<std::string> Launcher::readArguments(std::istream& input) {
    std::vector<std::string> values;
    std::string value;
    while (std::getline(input, value, '\0')) values.push_back(value);
    return values;
}

void Launcher::launchNavigator(const std::string& key, const std::string& username, const std::string& password,
                               const std::optional<std::string>& password2) {
    const std::string ending = "." + key;
    try {
        for (const char* simpleName : CLASSES) {
            const NavigatorClass& navigatorClass = impl::navigatorClass(simpleName);
            const std::string& name = navigatorClass.name;
            if (name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0) {
                launchNavigatorInternal(navigatorClass, username, password, password2);
            }
        }
    } catch (const std::exception& failure) {
        Logger::info(foundation::StrUtil::maskSecrets(failureText("Error launching Navigator", failure),
                                                      {password, password2.value_or("")}));
    }
}

}  // namespace navigator

#pragma once
// Every adapter of this library by program key. An adapter joins the
// program when its source file (named after the key) ends with
// RL_ADAPTER(Key) and its key is listed here; the order is the program
// table's.

#define RL_ADAPTER_KEYS(X) \
    X(Aeroflot)             \
    X(Aeromexico)           \
    X(AirCanada)            \
    X(AirNewZealand)        \
    X(AirTran)              \
    X(Alamo)                \
    X(Alaska)               \
    X(Alitalia)             \
    X(Aloha)                \
    X(AmericaWest)          \
    X(American)             \
    X(AmericanExpress)      \
    X(AmericanExpressAustralia) \
    X(AmericanExpressGermany) \
    X(ANA)                  \
    X(Asiana)               \
    X(Avis)                 \
    X(ATA)                  \
    X(BankAmericaMilesEdge) \
    X(BritishAirways)       \
    X(BritishMidland)       \
    X(CapitalOneNoHassle)   \
    X(CapitalOneNoHassleSmallBus) \
    X(CathayPacific)        \
    X(ChaseTravel)          \
    X(Citi)                 \
    X(Continental)          \
    X(Czech)                \
    X(Delta)                \
    X(DinersClub)           \
    X(DinersClubAustralia)  \
    X(Discover)             \
    X(Ebates)               \
    X(Ebay)                 \
    X(Epoll)                \
    X(Erewards)             \
    X(Fairmont)             \
    X(GMCard)               \
    X(HappyDigits)          \
    X(Hilton)               \
    X(Korean)               \
    X(Loews)                \
    X(Northwest)            \
    X(Omni)                 \
    X(Regent)               \
    X(Greenpoints)          \
    X(SouthAfrican)         \
    X(TAP)                  \
    X(United)               \
    X(USAir)                \
    X(Wyndham)

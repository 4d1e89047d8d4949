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
    X(ANA)                  \
    X(Asiana)               \
    X(Avis)                 \
    X(ATA)                  \
    X(BritishAirways)       \
    X(BritishMidland)       \
    X(CathayPacific)        \
    X(Continental)          \
    X(Czech)                \
    X(Delta)                \
    X(ELAL)                 \
    X(Emirates)             \
    X(Eva)                  \
    X(Fairmont)             \
    X(Finnair)              \
    X(KLM)                  \
    X(Frontier)             \
    X(GlobalPass)           \
    X(GrupoTaca)            \
    X(Hawaiian)             \
    X(Hilton)               \
    X(Iberia)               \
    X(Japan)                \
    X(JetBlue)              \
    X(Korean)               \
    X(Loews)                \
    X(Lufthansa)            \
    X(Mexicana)             \
    X(MidwestExpress)       \
    X(Northwest)            \
    X(Omni)                 \
    X(Qantas)               \
    X(Regent)               \
    X(SAS)                  \
    X(Singapore)            \
    X(SNBrussels)           \
    X(SouthAfrican)         \
    X(Southwest)            \
    X(Swiss)                \
    X(TAP)                  \
    X(Thai)                 \
    X(Turkish)              \
    X(United)               \
    X(USAir)                \
    X(Varig)                \
    X(VirginAtlantic)       \
    X(Wyndham)

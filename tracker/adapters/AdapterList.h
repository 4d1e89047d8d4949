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
    X(Fairmont)             \
    X(Hilton)               \
    X(Korean)               \
    X(Loews)                \
    X(Northwest)            \
    X(Omni)                 \
    X(Regent)               \
    X(SouthAfrican)         \
    X(TAP)                  \
    X(United)               \
    X(USAir)                \
    X(Wyndham)

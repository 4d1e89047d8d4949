#pragma once
// Every adapter of this library by program key. An adapter joins the
// program when its source file (named after the key) ends with
// RL_ADAPTER(Key) and its key is listed here; the order is the program
// table's.

#define RL_ADAPTER_KEYS(X) \
    X(Aeroflot)            \
    X(Aeromexico)          \
    X(AirCanada)           \
    X(AirNewZealand)       \
    X(AirTran)             \
    X(Alamo)               \
    X(Alaska)              \
    X(Alitalia)            \
    X(Aloha)               \
    X(American)            \
    X(Avis)                \
    X(Fairmont)            \
    X(Korean)              \
    X(Loews)               \
    X(Omni)                \
    X(Regent)              \
    X(SouthAfrican)        \
    X(TAP)                 \
    X(Wyndham)

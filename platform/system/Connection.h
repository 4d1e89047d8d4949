#pragma once
// Internet connection state from the kernel's routing tables: connected when
// an interface other than loopback carries a default route that is up. The
// state is collected by initConnectionCheck (first use collects too) and
// the other questions answer from the last collection.
//
// One environment variable serves tests of a program started as a child
// and nothing else:
//   RL_ROUTE_TABLES  a folder whose files "route" and "ipv6_route" are read
//                    in place of /proc/net's tables

#include <string>

namespace sys {

// The IPv4 and IPv6 routing tables to read (tests use prepared ones).
void setRouteTablePaths(const std::string& ipv4Table, const std::string& ipv6Table);
// Back to the tables of RL_ROUTE_TABLES, or /proc/net/route and
// /proc/net/ipv6_route.
void resetRouteTablePaths();

// (Re)collects the state. When neither table can be read the answers are
// fixed: connected, no name.
void initConnectionCheck();
bool isConnectedInternal();
// The interface of the default route ("" when there is none).
std::string getConnectionName();
// A default route through a network interface other than a modem link.
bool isLAN();
// A default route through a point-to-point or mobile modem link.
bool isModem();
// A proxy is configured for this process (http_proxy and the like).
bool isViaProxy();

}  // namespace sys

#pragma once
// The failure of one HTTP/HTTPS connection, sorted into the kinds a caller
// has to tell apart (a missing network against a site that answers badly).

#include <stdexcept>
#include <string>

namespace net {

enum class FailureKind {
    MalformedUrl,       // the address cannot be parsed or is not http/https
    UnknownHost,        // the host name does not resolve
    ConnectionRefused,  // nothing listens at the address
    NoRouteToHost,      // host or network unreachable
    ConnectFailed,      // any other failure to establish the connection
    Socket,             // the connection broke (reset, closed without an answer)
    Timeout,            // a time limit of the caller ran out after connecting
    Tls,                // handshake or certificate check failed
    Protocol,           // the answer is not HTTP the transport can read
    Truncated,          // the connection ended before the announced body did
    Aborted,            // the caller's abort check asked to stop
    Other,
};

const char* failureKindName(FailureKind kind);

// The kind of a libcurl result code; osErrno (CURLINFO_OS_ERRNO) separates
// refused connections from unreachable hosts, connected tells a time-out
// while connecting from one after.
FailureKind classifyFailure(int curlCode, long osErrno, bool connected);

class NetError : public std::runtime_error {
public:
    NetError(FailureKind kind, const std::string& message, int curlCode = 0, long osErrno = 0)
        : std::runtime_error(message), m_kind(kind), m_curlCode(curlCode), m_osErrno(osErrno) {}

    FailureKind kind() const { return m_kind; }
    int curlCode() const { return m_curlCode; }
    long osErrno() const { return m_osErrno; }

private:
    FailureKind m_kind;
    int m_curlCode;
    long m_osErrno;
};

}  // namespace net

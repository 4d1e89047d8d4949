#pragma once
// The failure of a web-client request, and the kinds of connection failure
// it wraps. Callers tell a missing network from a site fault with
// isExceptionNetworkRelated() or by the type of getException():
//
//   IOException
//     MalformedURLException      the address cannot be used
//     UnknownHostException       the host name does not resolve   (network)
//     SocketException            the connection broke             (network)
//       ConnectException         refused or not established        (network)
//       NoRouteToHostException   host or network unreachable       (network)
//     SocketTimeoutException     a time limit ran out
//     SSLException               TLS handshake or certificate check failed
//     FileNotFoundException      the site answered 404 or 410
//     HttpStatusException        the site answered another status of 400 or more

#include <memory>
#include <stdexcept>
#include <string>

namespace foundation {

class IOException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MalformedURLException : public IOException {
public:
    using IOException::IOException;
};

class UnknownHostException : public IOException {
public:
    using IOException::IOException;
};

class SocketException : public IOException {
public:
    using IOException::IOException;
};

class ConnectException : public SocketException {
public:
    using SocketException::SocketException;
};

class NoRouteToHostException : public SocketException {
public:
    using SocketException::SocketException;
};

class SocketTimeoutException : public IOException {
public:
    using IOException::IOException;
};

class SSLException : public IOException {
public:
    using IOException::IOException;
};

class FileNotFoundException : public IOException {
public:
    using IOException::IOException;
};

class HttpStatusException : public IOException {
public:
    HttpStatusException(int status, const std::string& message) : IOException(message), m_status(status) {}
    int getStatus() const { return m_status; }

private:
    int m_status;
};

class TextBrowserException : public std::runtime_error {
public:
    explicit TextBrowserException(const std::string& message) : std::runtime_error(message) {}
    TextBrowserException(std::shared_ptr<const std::exception> exception, const std::string& message)
        : std::runtime_error(message), m_exception(std::move(exception)) {}

    // True when the wrapped failure says the network is missing (unknown
    // host, no route, a socket or connect failure); false without one.
    bool isExceptionNetworkRelated() const;
    // The wrapped failure, or nullptr.
    const std::exception* getException() const { return m_exception.get(); }
    const std::shared_ptr<const std::exception>& getExceptionPtr() const { return m_exception; }

private:
    std::shared_ptr<const std::exception> m_exception;
};

}  // namespace foundation

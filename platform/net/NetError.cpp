#include "platform/net/NetError.h"

#include <curl/curl.h>

#include <cerrno>

namespace net {

const char* failureKindName(FailureKind kind) {
    switch (kind) {
        case FailureKind::MalformedUrl: return "MalformedUrl";
        case FailureKind::UnknownHost: return "UnknownHost";
        case FailureKind::ConnectionRefused: return "ConnectionRefused";
        case FailureKind::NoRouteToHost: return "NoRouteToHost";
        case FailureKind::ConnectFailed: return "ConnectFailed";
        case FailureKind::Socket: return "Socket";
        case FailureKind::Timeout: return "Timeout";
        case FailureKind::Tls: return "Tls";
        case FailureKind::Protocol: return "Protocol";
        case FailureKind::Truncated: return "Truncated";
        case FailureKind::Aborted: return "Aborted";
        case FailureKind::Other: return "Other";
    }
    return "Other";
}

FailureKind classifyFailure(int curlCode, long osErrno, bool connected) {
    switch (static_cast<CURLcode>(curlCode)) {
        case CURLE_UNSUPPORTED_PROTOCOL:
        case CURLE_URL_MALFORMAT:
            return FailureKind::MalformedUrl;
        case CURLE_COULDNT_RESOLVE_HOST:
        case CURLE_COULDNT_RESOLVE_PROXY:
            return FailureKind::UnknownHost;
        case CURLE_COULDNT_CONNECT:
            if (osErrno == ECONNREFUSED) return FailureKind::ConnectionRefused;
            if (osErrno == EHOSTUNREACH || osErrno == ENETUNREACH) return FailureKind::NoRouteToHost;
            return FailureKind::ConnectFailed;
        case CURLE_OPERATION_TIMEDOUT:
            return connected ? FailureKind::Timeout : FailureKind::ConnectFailed;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
            return FailureKind::Socket;
        case CURLE_PARTIAL_FILE:
            return FailureKind::Truncated;
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_ENGINE_NOTFOUND:
        case CURLE_SSL_ENGINE_SETFAILED:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_SHUTDOWN_FAILED:
            return FailureKind::Tls;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_BAD_CONTENT_ENCODING:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
        case CURLE_HTTP3:
            return FailureKind::Protocol;
        case CURLE_ABORTED_BY_CALLBACK:
            return FailureKind::Aborted;
        default:
            return FailureKind::Other;
    }
}

}  // namespace net

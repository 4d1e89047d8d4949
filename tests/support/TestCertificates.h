#pragma once
// Certificates for the imitation HTTPS sites, made with OpenSSL when a test
// process first needs them: one certificate authority per process (its
// certificate written to a PEM file, which tests hand to the web client as
// RL_CA_FILE) and one leaf certificate per host name, signed by that
// authority, or self-signed when a test wants a certificate that must be
// refused.

#include <openssl/evp.h>
#include <openssl/x509.h>

#include <map>
#include <mutex>
#include <string>

namespace rltest {

class TestCertificates {
public:
    struct KeyPair {
        X509* cert = nullptr;
        EVP_PKEY* key = nullptr;
    };

    // The one instance of the process.
    static TestCertificates& shared();

    // PEM file of the authority's certificate.
    const std::string& caFile() const { return m_caFile; }
    X509* caCertificate() const { return m_ca.cert; }

    // A leaf for the host (DNS name or IPv4 literal), signed by the authority
    // or self-signed. Made on first use and kept; owned by this object.
    KeyPair leafFor(const std::string& host, bool selfSigned = false);

    ~TestCertificates();
    TestCertificates(const TestCertificates&) = delete;
    TestCertificates& operator=(const TestCertificates&) = delete;

private:
    TestCertificates();

    KeyPair m_ca;
    std::string m_dir;
    std::string m_caFile;
    std::mutex m_lock;
    std::map<std::pair<std::string, bool>, KeyPair> m_leaves;
};

}  // namespace rltest

#include "tests/support/TestCertificates.h"

#include "tests/support/TempWorkDir.h"

#include <arpa/inet.h>
#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509v3.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace rltest {

namespace {

EVP_PKEY* newKey() {
    EVP_PKEY* key = EVP_PKEY_Q_keygen(nullptr, nullptr, "EC", "P-256");
    if (!key) throw std::runtime_error("test key generation failed");
    return key;
}

void addExtension(X509* cert, X509* issuer, int nid, const std::string& value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
    if (!ext) throw std::runtime_error("test certificate extension failed: " + value);
    X509_add_ext(cert, ext, -1);
    X509_EXTENSION_free(ext);
}

X509* newCertificate(const std::string& commonName, EVP_PKEY* key, X509* issuer) {
    X509* cert = X509_new();
    X509_set_version(cert, 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(cert));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(cert), -24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(cert), 30L * 24 * 3600);
    X509_NAME* name = X509_get_subject_name(cert);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("Imitation Sites"),
                               -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName.c_str()),
                               -1, -1, 0);
    X509_set_issuer_name(cert, issuer ? X509_get_subject_name(issuer) : name);
    X509_set_pubkey(cert, key);
    return cert;
}

void sign(X509* cert, EVP_PKEY* key) {
    if (!X509_sign(cert, key, EVP_sha256())) throw std::runtime_error("test certificate signing failed");
}

bool isIpv4(const std::string& host) {
    in_addr addr{};
    return inet_pton(AF_INET, host.c_str(), &addr) == 1;
}

}  // namespace

TestCertificates& TestCertificates::shared() {
    static TestCertificates instance;
    return instance;
}

TestCertificates::TestCertificates() {
    m_ca.key = newKey();
    m_ca.cert = newCertificate("Imitation Sites Test Authority", m_ca.key, nullptr);
    addExtension(m_ca.cert, m_ca.cert, NID_basic_constraints, "critical,CA:TRUE");
    addExtension(m_ca.cert, m_ca.cert, NID_key_usage, "critical,keyCertSign,cRLSign");
    addExtension(m_ca.cert, m_ca.cert, NID_subject_key_identifier, "hash");
    sign(m_ca.cert, m_ca.key);

    m_dir = makeTempDirectory("rltest-ca-");
    m_caFile = m_dir + "/ca.pem";
    FILE* out = std::fopen(m_caFile.c_str(), "w");
    if (!out) throw std::runtime_error("cannot write " + m_caFile);
    PEM_write_X509(out, m_ca.cert);
    std::fclose(out);
}

TestCertificates::~TestCertificates() {
    for (auto& [key, pair] : m_leaves) {
        X509_free(pair.cert);
        EVP_PKEY_free(pair.key);
    }
    X509_free(m_ca.cert);
    EVP_PKEY_free(m_ca.key);
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
}

TestCertificates::KeyPair TestCertificates::leafFor(const std::string& host, bool selfSigned) {
    std::lock_guard<std::mutex> guard(m_lock);
    auto found = m_leaves.find({host, selfSigned});
    if (found != m_leaves.end()) return found->second;

    KeyPair leaf;
    leaf.key = newKey();
    X509* issuer = selfSigned ? nullptr : m_ca.cert;
    leaf.cert = newCertificate(host, leaf.key, issuer);
    X509* extIssuer = selfSigned ? leaf.cert : m_ca.cert;
    addExtension(leaf.cert, extIssuer, NID_basic_constraints, "critical,CA:FALSE");
    addExtension(leaf.cert, extIssuer, NID_key_usage, "critical,digitalSignature,keyEncipherment");
    addExtension(leaf.cert, extIssuer, NID_ext_key_usage, "serverAuth");
    addExtension(leaf.cert, extIssuer, NID_subject_alt_name, (isIpv4(host) ? "IP:" : "DNS:") + host);
    addExtension(leaf.cert, extIssuer, NID_subject_key_identifier, "hash");
    if (!selfSigned) addExtension(leaf.cert, extIssuer, NID_authority_key_identifier, "keyid:always");
    sign(leaf.cert, selfSigned ? leaf.key : m_ca.key);
    m_leaves[{host, selfSigned}] = leaf;
    return leaf;
}

}  // namespace rltest

// Certificate handling: the plain fetches take any certificate, the timed fetch only trusted ones.
// Built only when cpp-httplib comes with its TLS server.
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/x509.h>

#include "net/fetch.h"
#include "net/net_test_support.h"

using namespace ds::net;

namespace {

struct SelfSigned {
    SelfSigned() {
        key = EVP_EC_gen("P-256");
        cert = X509_new();
        X509_set_version(cert, 2);
        ASN1_INTEGER_set(X509_get_serialNumber(cert), 1);
        X509_gmtime_adj(X509_getm_notBefore(cert), -60);
        X509_gmtime_adj(X509_getm_notAfter(cert), 3600);
        X509_set_pubkey(cert, key);
        X509_NAME* name = X509_get_subject_name(cert);
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"),
                                   -1, -1, 0);
        X509_set_issuer_name(cert, name);
        X509_sign(cert, key, EVP_sha256());
    }
    ~SelfSigned() {
        X509_free(cert);
        EVP_PKEY_free(key);
    }
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
};

}  // namespace

TEST(FetchTls, SelfSignedCertificateIsAcceptedByPlainFetchesAndRefusedByTheTimedOne) {
    SelfSigned credentials;
    ASSERT_NE(credentials.key, nullptr);
    ds::test::LoopbackServer<httplib::SSLServer> server(credentials.cert, credentials.key);
    ASSERT_TRUE(server.server.is_valid());
    auto answer = [](const httplib::Request& req, httplib::Response& res) {
        res.set_content("secure " + req.method, "text/plain");
    };
    server.server.Get("/", answer);
    server.server.Post("/", answer);
    server.start();
    const QString url = server.url(QStringLiteral("/"), "https");

    EXPECT_EQ(GetBody(url, QStringLiteral("gb2312")), u"secure GET");
    EXPECT_EQ(GetBodyhead(url, QStringLiteral("gb2312")), u"secure POST");
    EXPECT_EQ(GetBodydl(url, QStringLiteral("gb2312")), u"wrong");
}

#endif  // CPPHTTPLIB_OPENSSL_SUPPORT

#include "localsite/localcertificates.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <QTemporaryFile>

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>

namespace {

struct OpenSslFree {
    void operator()(EVP_PKEY* p) const { EVP_PKEY_free(p); }
    void operator()(X509* p) const { X509_free(p); }
    void operator()(BIO* p) const { BIO_free(p); }
    void operator()(BIGNUM* p) const { BN_free(p); }
    void operator()(X509_EXTENSION* p) const { X509_EXTENSION_free(p); }
};
template <typename T> using Owned = std::unique_ptr<T, OpenSslFree>;

constexpr long kHour = 60 * 60;
constexpr long kValidFor = 3 * 365 * 24 * kHour;

QString lastOpenSslError() {
    char text[256] = "unknown error";
    if (const unsigned long code = ERR_get_error())
        ERR_error_string_n(code, text, sizeof text);
    ERR_clear_error();
    return QString::fromLatin1(text);
}

bool addExtension(X509* cert, X509* issuer, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx(&ctx, issuer, cert, nullptr, nullptr, 0);
    const Owned<X509_EXTENSION> ext(X509V3_EXT_nconf_nid(nullptr, &ctx, nid, value));
    return ext && X509_add_ext(cert, ext.get(), -1) == 1;
}

// issuer and issuerKey are null for the self-signed CA.
Owned<X509> makeCertificate(EVP_PKEY* key, const char* commonName, X509* issuer, EVP_PKEY* issuerKey) {
    Owned<X509> cert(X509_new());
    Owned<BIGNUM> serial(BN_new());
    if (!cert || !serial || X509_set_version(cert.get(), X509_VERSION_3) != 1 ||
        BN_rand(serial.get(), 63, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY) != 1 ||
        !BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert.get())))
        return nullptr;
    // An hour back, so a client whose clock runs a little behind still takes it.
    if (!X509_gmtime_adj(X509_getm_notBefore(cert.get()), -kHour) ||
        !X509_gmtime_adj(X509_getm_notAfter(cert.get()), kValidFor))
        return nullptr;
    X509_NAME* name = X509_get_subject_name(cert.get());
    const auto text = reinterpret_cast<const unsigned char*>(commonName);
    if (X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>("Quiveral"), -1, -1, 0) != 1 ||
        X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, text, -1, -1, 0) != 1 ||
        X509_set_issuer_name(cert.get(), issuer ? X509_get_subject_name(issuer) : name) != 1 ||
        X509_set_pubkey(cert.get(), key) != 1)
        return nullptr;

    const bool isCa = issuer == nullptr;
    X509* signer = isCa ? cert.get() : issuer;
    const bool extended =
        isCa ? addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:TRUE") &&
                   addExtension(cert.get(), signer, NID_key_usage, "critical,keyCertSign,cRLSign") &&
                   addExtension(cert.get(), signer, NID_subject_key_identifier, "hash")
             : addExtension(cert.get(), signer, NID_basic_constraints, "critical,CA:FALSE") &&
                   addExtension(cert.get(), signer, NID_key_usage, "critical,digitalSignature") &&
                   addExtension(cert.get(), signer, NID_ext_key_usage, "serverAuth") &&
                   addExtension(cert.get(), signer, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost") &&
                   addExtension(cert.get(), signer, NID_subject_key_identifier, "hash") &&
                   addExtension(cert.get(), signer, NID_authority_key_identifier, "keyid:always");
    if (!extended || X509_sign(cert.get(), isCa ? key : issuerKey, EVP_sha256()) <= 0)
        return nullptr;
    return cert;
}

template <typename Write> QByteArray pem(Write write) {
    const Owned<BIO> bio(BIO_new(BIO_s_mem()));
    if (!bio || write(bio.get()) != 1)
        return QByteArray();
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio.get(), &data);
    return QByteArray(data, size);
}

} // namespace

LocalCertificates LocalCertificates::make() {
    LocalCertificates made;
    // P-256: a key takes well under a millisecond, where RSA would hold up every test that starts a site.
    const Owned<EVP_PKEY> caKey(EVP_EC_gen("P-256"));
    const Owned<EVP_PKEY> key(EVP_EC_gen("P-256"));
    const Owned<X509> ca =
        caKey ? makeCertificate(caKey.get(), "Quiveral loopback test CA", nullptr, nullptr) : nullptr;
    const Owned<X509> cert =
        ca && key ? makeCertificate(key.get(), "127.0.0.1", ca.get(), caKey.get()) : nullptr;
    if (!cert) {
        made.m_error = lastOpenSslError();
        return made;
    }
    made.m_caPem = pem([&](BIO* bio) { return PEM_write_bio_X509(bio, ca.get()); });
    made.m_certificatePem = pem([&](BIO* bio) { return PEM_write_bio_X509(bio, cert.get()); });
    // The traditional "EC PRIVATE KEY" form, which every TLS library reads.
    made.m_keyPem = pem([&](BIO* bio) {
        return PEM_write_bio_PrivateKey_traditional(bio, key.get(), nullptr, nullptr, 0, nullptr, nullptr);
    });
    if (made.m_caPem.isEmpty() || made.m_certificatePem.isEmpty() || made.m_keyPem.isEmpty()) {
        made.m_error = lastOpenSslError();
        made.m_keyPem.clear();
    }
    return made;
}

const LocalCertificates& LocalCertificates::shared() {
    static const LocalCertificates certificates = make();
    return certificates;
}

QString LocalCertificates::sharedCaFile() {
    static QMutex mutex;
    static std::unique_ptr<QTemporaryFile> file;
    QMutexLocker lock(&mutex);
    if (file)
        return file->fileName();
    const LocalCertificates& certificates = shared();
    if (!certificates.isValid())
        return QString();
    auto written = std::make_unique<QTemporaryFile>(QDir::temp().filePath("quiveral-test-ca-XXXXXX.pem"));
    if (!written->open() || written->write(certificates.caPem()) != certificates.caPem().size() ||
        !written->flush())
        return QString();
    written->close();
    file = std::move(written);
    return file->fileName();
}

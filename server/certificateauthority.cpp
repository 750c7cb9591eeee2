#include "certificateauthority.h"

#include <openssl/ec.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace {
using KeyPtr = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using CertPtr = std::unique_ptr<X509, decltype(&X509_free)>;

const long certificateLifetimeSeconds = 20L * 365 * 24 * 3600;

KeyPtr certificateAuthorityNewKey()
{
    return KeyPtr(EVP_EC_gen("P-256"), EVP_PKEY_free);
}

bool certificateAuthorityAddExtension(X509* cert, X509* issuer, int nid, const char* value)
{
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
    X509_EXTENSION* extension = X509V3_EXT_conf_nid(nullptr, &context, nid, value);
    if (!extension)
        return false;
    const bool added = X509_add_ext(cert, extension, -1) == 1;
    X509_EXTENSION_free(extension);
    return added;
}

// issuer and issuerKey are null for the self-signed authority itself.
CertPtr certificateAuthoritySign(
    EVP_PKEY* key, const char* commonName, long serial, X509* issuer, EVP_PKEY* issuerKey)
{
    CertPtr cert(X509_new(), X509_free);
    if (!cert)
        return cert;
    X509* x = cert.get();
    const bool isAuthority = issuer == nullptr;
    X509_set_version(x, 2);
    ASN1_INTEGER_set(X509_get_serialNumber(x), serial);
    X509_gmtime_adj(X509_getm_notBefore(x), -24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(x), certificateLifetimeSeconds);
    X509_set_pubkey(x, key);
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_ASC,
        reinterpret_cast<const unsigned char*>("Torvex Transfer loopback"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(
        name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>(commonName), -1, -1, 0);
    X509_set_issuer_name(x, isAuthority ? name : X509_get_subject_name(issuer));
    X509* signer = isAuthority ? x : issuer;
    bool ok = certificateAuthorityAddExtension(x, signer, NID_subject_key_identifier, "hash");
    if (isAuthority) {
        ok = ok && certificateAuthorityAddExtension(x, signer, NID_basic_constraints, "critical,CA:TRUE");
        ok = ok && certificateAuthorityAddExtension(x, signer, NID_key_usage, "critical,keyCertSign,cRLSign");
    } else {
        ok = ok && certificateAuthorityAddExtension(x, signer, NID_authority_key_identifier, "keyid:always");
        ok = ok && certificateAuthorityAddExtension(x, signer, NID_basic_constraints, "critical,CA:FALSE");
        ok = ok && certificateAuthorityAddExtension(x, signer, NID_key_usage, "critical,digitalSignature");
        ok = ok && certificateAuthorityAddExtension(x, signer, NID_ext_key_usage, "serverAuth");
        ok = ok
            && certificateAuthorityAddExtension(
                x, signer, NID_subject_alt_name, "DNS:localhost,IP:127.0.0.1");
    }
    if (!ok || X509_sign(x, isAuthority ? key : issuerKey, EVP_sha256()) == 0)
        cert.reset();
    return cert;
}

bool certificateAuthorityWrite(const std::string& path, X509* cert, EVP_PKEY* key)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    if (key)
        chmod(path.c_str(), 0600);
    const bool written = cert ? PEM_write_X509(file, cert) == 1
                              : PEM_write_PrivateKey(file, key, nullptr, nullptr, 0, nullptr, nullptr) == 1;
    return std::fclose(file) == 0 && written;
}

bool certificateAuthorityFileExists(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0;
}
} // namespace

CertificateAuthority::CertificateAuthority(std::string directory)
    : m_directory(std::move(directory))
{ }

bool CertificateAuthority::create(std::string* error)
{
    KeyPtr authorityKey = certificateAuthorityNewKey();
    KeyPtr serverKey = certificateAuthorityNewKey();
    if (!authorityKey || !serverKey) {
        *error = "cannot make a key";
        return false;
    }
    CertPtr authority
        = certificateAuthoritySign(authorityKey.get(), "Torvex Transfer loopback CA", 1, nullptr, nullptr);
    if (!authority) {
        *error = "cannot make the authority's certificate";
        return false;
    }
    CertPtr server
        = certificateAuthoritySign(serverKey.get(), "localhost", 2, authority.get(), authorityKey.get());
    if (!server) {
        *error = "cannot make the server's certificate";
        return false;
    }
    if (!certificateAuthorityWrite(serverKeyPath(), nullptr, serverKey.get())
        || !certificateAuthorityWrite(serverCertificatePath(), server.get(), nullptr)
        || !certificateAuthorityWrite(caCertificatePath(), authority.get(), nullptr)) {
        *error = "cannot write the certificate files into " + m_directory;
        return false;
    }
    return true;
}

bool CertificateAuthority::exists() const
{
    return certificateAuthorityFileExists(caCertificatePath())
        && certificateAuthorityFileExists(serverCertificatePath())
        && certificateAuthorityFileExists(serverKeyPath());
}

std::string CertificateAuthority::caCertificatePath() const
{
    return m_directory + "/ca.pem";
}

std::string CertificateAuthority::serverCertificatePath() const
{
    return m_directory + "/server.pem";
}

std::string CertificateAuthority::serverKeyPath() const
{
    return m_directory + "/server-key.pem";
}

#pragma once

#include <string>

// A private certificate authority for serving HTTPS on the loopback interface: it makes a CA
// certificate and a server certificate for "localhost" and 127.0.0.1 signed by it, as PEM files.
// Clients trust the server by trusting caCertificatePath().
class CertificateAuthority final
{
public:
    explicit CertificateAuthority(std::string directory);

    // Writes the three files, replacing older ones. Returns false and sets error when OpenSSL fails or a
    // file cannot be written.
    bool create(std::string* error);
    // True when all three files exist.
    bool exists() const;

    std::string caCertificatePath() const;
    std::string serverCertificatePath() const;
    std::string serverKeyPath() const;

private:
    std::string m_directory;
};

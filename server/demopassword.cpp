#include "demopassword.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdlib>
#include <vector>

namespace {
const int demoPasswordIterations = 20000;
const std::size_t demoPasswordHashBytes = 32;

std::string demoPasswordToHex(const unsigned char* data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (std::size_t i = 0; i < size; ++i) {
        hex.push_back(digits[data[i] >> 4]);
        hex.push_back(digits[data[i] & 15]);
    }
    return hex;
}

std::string demoPasswordDerive(const std::string& password, const std::string& salt, int iterations)
{
    unsigned char derived[demoPasswordHashBytes];
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
            reinterpret_cast<const unsigned char*>(salt.data()), static_cast<int>(salt.size()), iterations,
            EVP_sha256(), sizeof derived, derived)
        != 1)
        return std::string();
    return demoPasswordToHex(derived, sizeof derived);
}
} // namespace

std::string DemoPassword::hash(const std::string& password)
{
    const std::string salt = randomHex(16);
    return "pbkdf2-sha256$" + std::to_string(demoPasswordIterations) + '$' + salt + '$'
        + demoPasswordDerive(password, salt, demoPasswordIterations);
}

bool DemoPassword::verify(const std::string& password, const std::string& stored)
{
    const std::string scheme = "pbkdf2-sha256$";
    if (stored.compare(0, scheme.size(), scheme) != 0)
        return false;
    const std::size_t saltStart = stored.find('$', scheme.size());
    const std::size_t hashStart
        = saltStart == std::string::npos ? saltStart : stored.find('$', saltStart + 1);
    if (hashStart == std::string::npos)
        return false;
    const int iterations = std::atoi(stored.substr(scheme.size(), saltStart - scheme.size()).c_str());
    if (iterations <= 0)
        return false;
    const std::string salt = stored.substr(saltStart + 1, hashStart - saltStart - 1);
    const std::string expected = stored.substr(hashStart + 1);
    const std::string actual = demoPasswordDerive(password, salt, iterations);
    return !actual.empty() && actual.size() == expected.size()
        && CRYPTO_memcmp(actual.data(), expected.data(), actual.size()) == 0;
}

std::string DemoPassword::randomHex(std::size_t bytes)
{
    std::vector<unsigned char> random(bytes);
    if (RAND_bytes(random.data(), static_cast<int>(random.size())) != 1)
        return std::string();
    return demoPasswordToHex(random.data(), random.size());
}

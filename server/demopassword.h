#pragma once

#include <string>

// Salted, stretched password hashes for the demo users, and random tokens.
class DemoPassword final
{
public:
    // "pbkdf2-sha256$<iterations>$<salt hex>$<hash hex>"
    static std::string hash(const std::string& password);
    static bool verify(const std::string& password, const std::string& stored);
    // bytes random bytes from the system's generator, as lower-case hex; "" when the generator fails.
    static std::string randomHex(std::size_t bytes);
};

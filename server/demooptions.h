#pragma once

#include "demoserverconfig.h"

#include <string>
#include <vector>

// The command line of torvex-demo-server.
class DemoOptions final
{
public:
    // Reads the arguments (without the program's name); false with error set for a bad one.
    bool parse(const std::vector<std::string>& arguments, std::string* error);

    const DemoServerConfig& config() const { return m_config; }
    bool helpRequested() const { return m_help; }
    bool versionRequested() const { return m_version; }
    bool quiet() const { return m_quiet; }

    static std::string helpText();

private:
    DemoServerConfig m_config;
    bool m_help = false;
    bool m_version = false;
    bool m_quiet = false;
};

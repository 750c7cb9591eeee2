#include "demooptions.h"

#include "demohttp.h"

std::string DemoOptions::helpText()
{
    return "Usage: torvex-demo-server [options]\n"
           "\n"
           "A local server that plays the part of the Torvex service for Torvex Transfer: projects, "
           "folders,\n"
           "documents with revisions and folder permissions, kept in a data folder.\n"
           "\n"
           "Options:\n"
           "  --port N        serve HTTP on port N (default 8080; 0 picks a free port). Without --port and\n"
           "                  with --tls-port, only HTTPS is served.\n"
           "  --tls-port N    serve HTTPS on port N (0 picks a free port); both may run at once.\n"
           "  --host ADDRESS  listen on ADDRESS (default 127.0.0.1). Anything but the loopback address\n"
           "                  exposes the demo accounts to the network.\n"
           "  --data DIR      keep the data in DIR (default ./torvex-demo-data).\n"
           "  --seed demo     fill an empty data folder with sample projects, folders and documents.\n"
           "  --cert FILE     the HTTPS certificate chain (PEM), with --key. Without them the server makes\n"
           "                  its own certificate authority and certificate in the data folder on first "
           "start\n"
           "                  and prints the path of the authority's certificate (ca.pem): let the client\n"
           "                  trust that file.\n"
           "  --key FILE      the private key of --cert (PEM).\n"
           "  --quiet         do not print a line per request.\n"
           "  --help          show this text.\n"
           "  --version       show the version.\n"
           "\n"
           "Demo users (after --seed demo):\n"
           "  demo / demo     (or demo@torvex.example)   administrator of every project\n"
           "  guest / guest   (or guest@torvex.example)  member of two projects, with restricted folders\n"
           "\n"
           "Stop the server with Ctrl+C.\n";
}

bool DemoOptions::parse(const std::vector<std::string>& arguments, std::string* error)
{
    bool portGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string option = arguments[i];
        std::string value;
        bool hasValue = false;
        const std::size_t equals = option.find('=');
        if (option.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            hasValue = true;
        }
        const auto needValue = [&]() {
            if (hasValue)
                return true;
            if (i + 1 >= arguments.size()) {
                *error = option + " needs a value";
                return false;
            }
            value = arguments[++i];
            return true;
        };
        const auto port = [&](int* target) {
            if (!needValue())
                return false;
            const std::optional<int> number = DemoHttp::parseInt(value);
            if (!number || *number < 0 || *number > 65535) {
                *error = option + " needs a port number from 0 to 65535, not \"" + value + '"';
                return false;
            }
            *target = *number;
            return true;
        };

        if (option == "--help" || option == "-h") {
            m_help = true;
        } else if (option == "--version") {
            m_version = true;
        } else if (option == "--quiet") {
            m_quiet = true;
        } else if (option == "--port") {
            if (!port(&m_config.httpPort))
                return false;
            portGiven = true;
        } else if (option == "--tls-port") {
            if (!port(&m_config.tlsPort))
                return false;
        } else if (option == "--host" || option == "--data" || option == "--cert" || option == "--key"
            || option == "--seed") {
            if (!needValue())
                return false;
            if (value.empty()) {
                *error = option + " needs a value";
                return false;
            }
            if (option == "--host")
                m_config.host = value;
            else if (option == "--data")
                m_config.dataDirectory = value;
            else if (option == "--cert")
                m_config.certificateFile = value;
            else if (option == "--key")
                m_config.keyFile = value;
            else if (value == "demo")
                m_config.seedDemo = true;
            else {
                *error = "--seed knows only \"demo\", not \"" + value + '"';
                return false;
            }
        } else {
            *error = "unknown option " + arguments[i];
            return false;
        }
    }
    if (m_config.tlsPort >= 0 && !portGiven)
        m_config.httpPort = -1;
    if (m_config.certificateFile.empty() != m_config.keyFile.empty()) {
        *error = "--cert and --key go together";
        return false;
    }
    return true;
}

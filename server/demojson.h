#pragma once

#include "demoaccess.h"
#include "demorecords.h"

#include <string>
#include <vector>

// The JSON answers of the demo server, with the keys and value types the client reads.
class DemoJson final
{
public:
    static std::string project(const DemoProject& project);
    static std::string projects(const std::vector<DemoProject>& projects);
    static std::string folder(const DemoFolder& folder);
    static std::string folders(const std::vector<DemoFolder>& folders);
    static std::string document(const DemoDocument& document);
    static std::string documents(const std::vector<DemoDocument>& documents);
    static std::string statuses(const std::vector<DemoStatus>& statuses);
    static std::string access(const DemoAccess& access);
    static std::string contact(const DemoUser& user, bool isAdmin);
};

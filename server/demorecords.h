#pragma once

#include <cstdint>
#include <string>

// The demo server's rows as they travel between its store and its JSON answers.

struct DemoUser
{
    int id = 0;
    std::string login;
    std::string email;
    std::string firstName;
    std::string lastName;
    std::string address;
    std::string city;
    std::string zip;
    std::string state;
    int countryId = 0;
    std::string phone;
    std::string fax;
    std::string mobile;
    std::string function;
    int organizationId = 0;
};

struct DemoProject
{
    int id = 0;
    std::string name;
    std::string address;
    std::string city;
    std::string zip;
    int countryId = 0;
    std::string details;
    std::string timezone;
    int adminRoleId = 0;
    int createdById = 0;
    bool isLocked = false;
    bool isActive = true;
    bool isFree = false;
};

struct DemoFolder
{
    int id = 0;
    int projectId = 0;
    int parentId = 0; // 0 at the top level of the project
    std::string name;
    std::string path; // inside the project, with the folder's own name: "Drawings/Site"
    std::string type;
    int nrChildren = 0;
    int nrItems = 0;
};

// A document as its current revision shows it.
struct DemoDocument
{
    int id = 0;
    int folderId = 0;
    std::string name;
    std::string description;
    int authorId = 0;
    int statusId = 0;
    int nrRevisions = 0;
    int revisionNr = 0;
    int revisionId = 0;
    std::int64_t size = 0;
    std::string uploaded; // ISO 8601, UTC
    int conversionStatus = 0;
    int nrViews = 0;
    int checkedOutById = 0;
    std::string checkedOutOn;
};

struct DemoStatus
{
    int id = 0;
    int projectId = 0;
    std::string name;
    int sequence = 0;
};

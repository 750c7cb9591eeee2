#pragma once

#include <string>

class DemoStore;

// The sample content of "--seed demo": two users, a few projects (one of them free), nested folders of
// several types with separators, and documents of many file types with revisions and statuses.
//   demo / demo   (demo@torvex.example)  administrator of every project
//   guest / guest (guest@torvex.example) member of two projects, with restricted folders
class DemoSeed final
{
public:
    // Fills an empty store; false with error set when something cannot be stored.
    static bool seed(DemoStore& store, std::string* error);
};

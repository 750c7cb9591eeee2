#pragma once

#include <QString>

// The program's one settings file: INI format, in the per-user data location under
// "Torvex/TorvexTransfer", every key in the group "logindialog".
inline constexpr char settingsFileName[] = "TorvexTransfer.conf";
inline constexpr char settingsGroup[] = "logindialog";
inline constexpr char settingsServerKey[] = "server";
inline constexpr char settingsLoginKey[] = "login";
inline constexpr char settingsPasswordKey[] = "passwd";
// Optional: a PEM file of certificate authorities to trust instead of the system's. Read, never written.
inline constexpr char settingsCaBundleKey[] = "cabundle";
// Optional: how many files an upload or download moves at once (1 to 16). Read, never written.
inline constexpr char settingsTransfersKey[] = "transfers";
inline constexpr char defaultServer[] = "secure.torvex.example";
inline constexpr int defaultTransfers = 4;

// The settings directory with native separators, and the settings file in it.
QString settingsDirectory();
QString settingsFilePath();

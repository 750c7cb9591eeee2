#pragma once

#include <QString>

#include <functional>

class LoginDialog;
class Rest;

// The program's version and its one settings file: INI format, in the per-user data location under
// "Torvex/TorvexTransfer", every key in the group "logindialog".
inline constexpr char programVersion[] = TORVEX_VERSION;
inline constexpr char settingsFileName[] = "TorvexTransfer.conf";
inline constexpr char settingsGroup[] = "logindialog";
inline constexpr char settingsServerKey[] = "server";
inline constexpr char settingsLoginKey[] = "login";
inline constexpr char settingsPasswordKey[] = "passwd";
// Optional: a PEM file of certificate authorities to trust instead of the system's. Read, never written.
inline constexpr char settingsCaBundleKey[] = "cabundle";
inline constexpr char defaultServer[] = "secure.torvex.example";
inline constexpr char onlineHelpAddress[] = "https://www.torvex.example/help/transfer";

// The settings directory with native separators, and the settings file in it.
QString settingsDirectory();
QString settingsFilePath();

// Asks for the credentials until a logon succeeds, then stores the server, the login name and, when
// asked to, the password: in the desktop's keychain, or scrambled in the settings file where there is
// none (a password found there moves to the keychain at the next logon). Returns the logged-on
// session, owned by the caller, or null when the user cancels or the program cannot go on. Any error is
// shown to the user. GUI thread only.
Rest* openSession();

// Tests answer the login dialog through this instead of a user: the runner is called with the dialog
// in place of exec() and returns the dialog's result. An empty runner brings exec() back.
using LoginDialogRunner = std::function<int(LoginDialog& dialog)>;
void setLoginDialogRunner(LoginDialogRunner runner);

#pragma once

#include "rest/loginsettings.h"

#include <QString>

#include <functional>
#include <memory>

class LoginDialog;
class SessionRunner;

// The program's version, and the online help page that the main window opens.
inline constexpr char programVersion[] = TORVEX_VERSION;
inline constexpr char onlineHelpAddress[] = "https://www.torvex.example/help/transfer";

// Asks for the credentials until a logon succeeds (the login dialog logs on in the background and stays
// open after a failed logon), then stores the server, the login name and, when asked to, the password:
// in the desktop's keychain, or scrambled in the settings file where there is none (a password found
// there moves to the keychain at the next logon). Returns the logged-on session, or null when the user
// cancels or the program cannot go on. Any error is shown to the user. GUI thread only.
std::unique_ptr<SessionRunner> openSession();

// Tests answer the login dialog through this instead of a user: the runner is called with the dialog
// in place of exec() and returns the dialog's result (after pressing Ok and waiting for the logon). An
// empty runner brings exec() back.
using LoginDialogRunner = std::function<int(LoginDialog& dialog)>;
void setLoginDialogRunner(LoginDialogRunner runner);

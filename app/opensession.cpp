#include "app/opensession.h"

#include "app/logindialog.h"
#include "app/passwordstore.h"
#include "model/stringcrypt.h"
#include "rest/diagnosticlog.h"
#include "rest/sessionrunner.h"
#include "widgets/errorbox.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

#include <optional>

namespace {
// The key that scrambles the remembered password in the settings file.
constexpr quint64 openSessionPasswordKey = Q_UINT64_C(0x3b9e51c7a2d4806f);

LoginDialogRunner& openSessionDialogRunner()
{
    static LoginDialogRunner runner;
    return runner;
}

int openSessionRun(LoginDialog& dialog)
{
    if (openSessionDialogRunner())
        return openSessionDialogRunner()(dialog);
    return dialog.exec();
}
} // namespace

void setLoginDialogRunner(LoginDialogRunner runner)
{
    openSessionDialogRunner() = std::move(runner);
}

std::unique_ptr<SessionRunner> openSession()
{
    const QString directory = settingsDirectory();
    if (!QDir().mkpath(directory)) {
        ErrorBox::show(
            QCoreApplication::translate("openSession", "Unable to make directory: %1.").arg(directory));
        return nullptr;
    }

    QSettings settings(settingsFilePath(), QSettings::IniFormat);
    StringCrypt crypt(openSessionPasswordKey);

    settings.beginGroup(QLatin1String(settingsGroup));
    const QString server
        = settings.value(QLatin1String(settingsServerKey), QLatin1String(defaultServer)).toString();
    const QString login = settings.value(QLatin1String(settingsLoginKey), QString()).toString();
    bool passwordStored = settings.contains(QLatin1String(settingsPasswordKey));
    QString password = settings.value(QLatin1String(settingsPasswordKey), QString()).toString();
    const QString caBundle = settings.value(QLatin1String(settingsCaBundleKey), QString()).toString();
    const int transfers = settings.value(QLatin1String(settingsTransfersKey), defaultTransfers).toInt();
    if (!password.isEmpty())
        password = crypt.decryptText(password);
    settings.endGroup();

    // The settings file keeps a password only when no keychain took it, so its copy is the newer one.
    PasswordStore keychain;
    const std::optional<QString> keychainPassword = keychain.read(server, login);
    if (!passwordStored && keychainPassword) {
        password = *keychainPassword;
        passwordStored = true;
    }

    LoginDialog dialog(server, login, password, passwordStored ? Qt::Checked : Qt::Unchecked);
    dialog.setCaBundle(caBundle);
    // The dialog logs on itself, so that it can show the attempt and let the user abandon it; a failed
    // logon is told there and the dialog stays with what was typed.
    dialog.setLogonEnabled(true);
    dialog.setKeychainAvailable(keychain.isAvailable());
    if (openSessionRun(dialog) != QDialog::Accepted)
        return nullptr;
    std::unique_ptr<SessionRunner> session = dialog.takeSession();
    if (!session)
        return nullptr;
    session->setTransfers(transfers > 0 ? transfers : defaultTransfers);
    DiagnosticLog::write(QStringLiteral("Rest logon() successful"));

    settings.beginGroup(QLatin1String(settingsGroup));
    settings.setValue(QLatin1String(settingsServerKey), dialog.server());
    settings.setValue(QLatin1String(settingsLoginKey), dialog.login());
    if (dialog.rememberState() != Qt::Checked) {
        settings.remove(QLatin1String(settingsPasswordKey));
        keychain.remove(dialog.server(), dialog.login());
    } else if (keychain.store(dialog.server(), dialog.login(), dialog.password())) {
        settings.remove(QLatin1String(settingsPasswordKey));
    } else {
        const QString stored
            = dialog.password().isEmpty() ? QStringLiteral("") : crypt.encryptText(dialog.password());
        settings.setValue(QLatin1String(settingsPasswordKey), stored);
    }
    // Only the last account's password is remembered, as the settings file only ever held one.
    if (keychainPassword && (dialog.server() != server || dialog.login() != login))
        keychain.remove(server, login);
    settings.endGroup();
    return session;
}

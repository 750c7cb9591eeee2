#pragma once

#include "rest/canceltoken.h"

#include <QDialog>

#include <exception>
#include <memory>
#include <optional>

class ClickableLabel;
class QCheckBox;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;
class SessionRunner;

// Asks for the server, the e-mail address or user name and the password, and whether the password is
// remembered. It probes a changed server and, when logging on is enabled, logs on before it accepts.
// Both run in the background: meanwhile the dialog says so and takes no input but Cancel and Escape,
// which abandon the attempt at once (its late answer is ignored); a second Cancel closes the dialog.
// While the server is being edited (and after a probe that failed) the dialog cannot be accepted.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    LoginDialog(const QString& server, const QString& login, const QString& password,
        Qt::CheckState rememberState, QWidget* parent = nullptr);
    ~LoginDialog() override;
    Q_DISABLE_COPY_MOVE(LoginDialog)

    // The certificate authorities the server probe and the logon trust; empty for the system's.
    void setCaBundle(const QString& caBundle);
    // Ok then logs on with what was typed and accepts only once that succeeded; a refused or failed
    // logon is told in an error box and the dialog stays as it was.
    void setLogonEnabled(bool enabled);
    // After an accepted logon: the logged-on session, once.
    std::unique_ptr<SessionRunner> takeSession();
    // Whether the setup of the HTTP layer failed; the dialog was rejected then.
    bool setupFailed() const;
    // Whether a probe or a logon is running.
    bool isBusy() const;
    // Without a keychain a remembered password goes to the settings file; the dialog says so while
    // "Remember password" is ticked.
    void setKeychainAvailable(bool available);

    QString server() const;
    QString login() const;
    QString password() const;
    Qt::CheckState rememberState() const;

public Q_SLOTS:
    void cancelBtnClicked();
    void okBtnClicked();
    void serverClickLblClicked();
    void passwdClickLblClicked();
    void serverEditFinished();
    // Abandons a running probe or logon; otherwise rejects.
    void reject() override;

protected:
    // Enter in the server edit probes the server and goes no further.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void describeForAccessibility();
    bool isEditingServer() const;
    void markServerRefused();
    QString forgotPasswordAddress() const;
    void startProbe(const QString& server);
    void probeAnswered(quint64 attempt);
    void probeFailed(quint64 attempt, const std::exception_ptr& failure);
    void showServerLabel(const QString& server);
    void startLogon();
    void logonAnswered(quint64 attempt, std::unique_ptr<SessionRunner> session);
    void logonFailed(quint64 attempt, const std::exception_ptr& failure);
    bool endsOnBrokenSetup(const std::exception_ptr& failure);
    // Disables the input and shows text; returns the attempt's number.
    quint64 beginAttempt(const QString& text);
    void endAttempt();
    void updateRememberNote();

    QFrame* m_logoFrame;
    QHBoxLayout* m_logoLayout;
    QLabel* m_logoLabel;
    QFrame* m_formFrame;
    QGridLayout* m_formLayout;
    QFrame* m_bottomFrame;
    QHBoxLayout* m_bottomLayout;
    QFrame* m_buttonsFrame;
    QHBoxLayout* m_buttonsLayout;
    QVBoxLayout* m_mainLayout;
    QLabel* m_serverCaption;
    QLabel* m_serverLabel;
    QLineEdit* m_serverEdit;
    ClickableLabel* m_serverClickLabel;
    QLabel* m_loginCaption;
    QLineEdit* m_loginEdit;
    QLabel* m_passwordCaption;
    QLineEdit* m_passwordEdit;
    QPushButton* m_cancelButton;
    QPushButton* m_okButton;
    QCheckBox* m_rememberBox;
    ClickableLabel* m_passwdClickLabel;
    QLabel* m_busyLabel;
    QLabel* m_rememberNote;
    bool m_keychainAvailable = true;
    QString m_caBundle;
    bool m_logonEnabled = false;
    bool m_setupFailed = false;
    // The running attempt, and the number of the latest one: an answer of an earlier one is ignored.
    std::optional<CancelToken> m_attempt;
    quint64 m_attemptNumber = 0;
    bool m_probing = false;
    QString m_probedServer;
    std::unique_ptr<SessionRunner> m_session;
};

#pragma once

#include <QDialog>

class ClickableLabel;
class QCheckBox;
class QFrame;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QVBoxLayout;

// Asks for the server, the e-mail address or user name and the password, and whether the password is
// remembered. It never logs on; its one server contact is the probe when the user changes the server.
// While the server is being edited (and after a probe that failed) the dialog cannot be accepted.
class LoginDialog : public QDialog
{
    Q_OBJECT

public:
    LoginDialog(const QString& server, const QString& login, const QString& password,
        Qt::CheckState rememberState, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LoginDialog)

    // The certificate authorities the server probe trusts; empty for the system's.
    void setCaBundle(const QString& caBundle);
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

private:
    bool isEditingServer() const;
    void markServerRefused();
    QString forgotPasswordAddress() const;
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
    QLabel* m_rememberNote;
    bool m_keychainAvailable = true;
    QString m_caBundle;
    bool m_probing = false;
};

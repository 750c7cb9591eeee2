#include "app/logindialog.h"

#include "app/clickablelabel.h"
#include "remote/errorbox.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

LoginDialog::LoginDialog(const QString& server, const QString& login, const QString& password,
    Qt::CheckState rememberState, QWidget* parent)
    : QDialog(parent)
    , m_logoFrame(new QFrame)
    , m_logoLayout(new QHBoxLayout(m_logoFrame))
    , m_logoLabel(new QLabel)
    , m_formFrame(new QFrame)
    , m_formLayout(new QGridLayout(m_formFrame))
    , m_bottomFrame(new QFrame)
    , m_bottomLayout(new QHBoxLayout(m_bottomFrame))
    , m_buttonsFrame(new QFrame)
    , m_buttonsLayout(new QHBoxLayout(m_buttonsFrame))
    , m_mainLayout(new QVBoxLayout(this))
    , m_serverCaption(new QLabel(QStringLiteral("Server: ")))
    , m_serverLabel(new QLabel(server))
    , m_serverEdit(new QLineEdit(m_formFrame))
    , m_serverClickLabel(new ClickableLabel(QStringLiteral("<font color=\"blue\">Change Server</font>")))
    , m_loginCaption(new QLabel(QStringLiteral("Email/Username: ")))
    , m_loginEdit(new QLineEdit(login))
    , m_passwordCaption(new QLabel(QStringLiteral("Password: ")))
    , m_passwordEdit(new QLineEdit(password))
    , m_cancelButton(new QPushButton(QStringLiteral("Cancel")))
    , m_okButton(new QPushButton(QStringLiteral("Ok")))
    , m_rememberBox(new QCheckBox(QStringLiteral("Remember password")))
    , m_passwdClickLabel(
          new ClickableLabel(QStringLiteral("<font color=\"blue\">Forgot your password?</font>")))
    , m_rememberNote(new QLabel(QStringLiteral("Saved in the settings file, not in a keychain")))
{
    // Tests and accessibility tools find the widgets by these names.
    m_serverLabel->setObjectName(QStringLiteral("serverLabel"));
    m_serverEdit->setObjectName(QStringLiteral("serverEdit"));
    m_serverClickLabel->setObjectName(QStringLiteral("serverClickLabel"));
    m_loginEdit->setObjectName(QStringLiteral("loginEdit"));
    m_passwordEdit->setObjectName(QStringLiteral("passwordEdit"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_rememberBox->setObjectName(QStringLiteral("rememberBox"));
    m_passwdClickLabel->setObjectName(QStringLiteral("passwdClickLabel"));
    m_rememberNote->setObjectName(QStringLiteral("rememberNote"));

    m_logoLabel->setPixmap(QPixmap(QStringLiteral(":/images/torvexLogo.png")));
    m_logoLayout->addWidget(m_logoLabel, 0, Qt::AlignHCenter);

    m_serverEdit->hide();
    m_loginEdit->setMinimumWidth(250);
    m_passwordEdit->setMinimumWidth(250);
    m_passwordEdit->setEchoMode(QLineEdit::Password);
    m_formLayout->addWidget(m_serverCaption, 0, 0, 1, 1);
    m_formLayout->addWidget(m_serverLabel, 0, 1, 1, 1);
    m_formLayout->addWidget(m_serverClickLabel, 0, 2, 1, 1);
    m_formLayout->addWidget(m_loginCaption, 1, 0, 1, 1);
    m_formLayout->addWidget(m_loginEdit, 1, 1, 1, 2);
    m_formLayout->addWidget(m_passwordCaption, 2, 0, 1, 1);
    m_formLayout->addWidget(m_passwordEdit, 2, 1, 1, 2);
    m_formLayout->addWidget(m_passwdClickLabel, 3, 1, 1, 2);
    m_formLayout->setColumnStretch(0, 0);
    m_formLayout->setColumnStretch(1, 1);
    m_formLayout->setColumnStretch(2, 0);

    m_buttonsLayout->addWidget(m_cancelButton);
    m_buttonsLayout->addWidget(m_okButton);
    m_rememberBox->setCheckState(rememberState);
    m_bottomLayout->addWidget(m_rememberBox);
    m_bottomLayout->addWidget(m_buttonsFrame, 0, Qt::AlignRight);

    m_mainLayout->addWidget(m_logoFrame);
    m_mainLayout->addWidget(m_formFrame);
    m_mainLayout->addWidget(m_bottomFrame);
    m_mainLayout->addWidget(m_rememberNote);
    // Lined up with the check box above it, which sits inside the bottom frame's margin.
    m_rememberNote->setContentsMargins(m_bottomLayout->contentsMargins().left(), 0, 0, 0);
    m_rememberNote->hide();
    // Only a button that is already inside the dialog can become its default one.
    m_cancelButton->setAutoDefault(true);
    m_cancelButton->setDefault(false);
    m_okButton->setAutoDefault(true);
    m_okButton->setDefault(true);

    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    setWindowTitle(QStringLiteral("Torvex Transfer Login"));
    // A returning user only has to type the password.
    if (!login.isEmpty() && password.isEmpty())
        m_passwordEdit->setFocus(Qt::OtherFocusReason);

    connect(m_serverEdit, &QLineEdit::editingFinished, this, &LoginDialog::serverEditFinished);
    connect(m_serverClickLabel, &ClickableLabel::clicked, this, &LoginDialog::serverClickLblClicked);
    connect(m_passwdClickLabel, &ClickableLabel::clicked, this, &LoginDialog::passwdClickLblClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &LoginDialog::cancelBtnClicked);
    connect(m_okButton, &QPushButton::clicked, this, &LoginDialog::okBtnClicked);
    connect(m_rememberBox, &QCheckBox::toggled, this, &LoginDialog::updateRememberNote);
}

void LoginDialog::setCaBundle(const QString& caBundle)
{
    m_caBundle = caBundle;
}

void LoginDialog::setKeychainAvailable(bool available)
{
    m_keychainAvailable = available;
    updateRememberNote();
}

void LoginDialog::updateRememberNote()
{
    m_rememberNote->setVisible(!m_keychainAvailable && m_rememberBox->isChecked());
}

QString LoginDialog::server() const
{
    return m_serverLabel->text();
}

QString LoginDialog::login() const
{
    return m_loginEdit->text();
}

QString LoginDialog::password() const
{
    return m_passwordEdit->text();
}

Qt::CheckState LoginDialog::rememberState() const
{
    return m_rememberBox->checkState();
}

bool LoginDialog::isEditingServer() const
{
    const QLayoutItem* cell = m_formLayout->itemAtPosition(0, 1);
    return !cell || !qobject_cast<QLabel*>(cell->widget());
}

void LoginDialog::cancelBtnClicked()
{
    reject();
}

void LoginDialog::okBtnClicked()
{
    if (!isEditingServer()) {
        accept();
        return;
    }
    ErrorBox::show(QStringLiteral("Unable to connect to the server"));
}

void LoginDialog::serverClickLblClicked()
{
    m_formLayout->removeWidget(m_serverClickLabel);
    m_serverClickLabel->hide();
    m_formLayout->removeWidget(m_passwdClickLabel);
    m_passwdClickLabel->hide();
    m_serverEdit->setText(m_serverLabel->text());
    m_serverEdit->show();
    m_formLayout->removeWidget(m_serverLabel);
    m_serverLabel->hide();
    m_formLayout->addWidget(m_serverEdit, 0, 1, 1, 2);
    m_serverEdit->setFocus(Qt::OtherFocusReason);
}

void LoginDialog::serverEditFinished()
{
    // The edit also finishes when it loses focus: on being hidden after a good probe, to a box shown
    // during one, or when the dialog closes. Only a finish while the user edits asks the server.
    if (m_probing || !isEditingServer() || !isVisible() || isHidden())
        return;
    const QString server = m_serverEdit->text();
    bool answered = false;
    m_probing = true;
    try {
        Rest::checkServer(server, m_caBundle);
        answered = true;
    } catch (const RestException&) {
    } catch (const CurlConnectionException&) {
    } catch (const CurlException&) {
        ErrorBox::show(QStringLiteral("Unable to correctly initialize the application."));
        m_probing = false;
        reject();
        return;
    }
    m_probing = false;
    if (!answered) {
        markServerRefused();
        return;
    }

    m_serverLabel->setText(server);
    m_serverEdit->setStyleSheet(QStringLiteral("QLineEdit {background: white;}"));
    // The focus goes on to the credentials, never to a button that Enter would then press.
    (m_loginEdit->text().isEmpty() ? m_loginEdit : m_passwordEdit)->setFocus(Qt::OtherFocusReason);
    m_formLayout->removeWidget(m_serverEdit);
    m_serverEdit->hide();
    m_formLayout->addWidget(m_serverLabel, 0, 1, 1, 1);
    m_serverLabel->show();
    m_serverClickLabel->show();
    m_formLayout->addWidget(m_serverClickLabel, 0, 2, 1, 1);
    m_passwdClickLabel->show();
    m_formLayout->addWidget(m_passwdClickLabel, 3, 1, 1, 2);
}

void LoginDialog::markServerRefused()
{
    // A style sheet left by an earlier good probe would hide the palette.
    m_serverEdit->setStyleSheet(QString());
    const QColor paleYellow(249, 249, 153, 255);
    QPalette palette = m_serverEdit->palette();
    palette.setColor(m_serverEdit->backgroundRole(), paleYellow);
    palette.setColor(QPalette::Base, paleYellow);
    m_serverEdit->setPalette(palette);
}

// A server given as a full address keeps its scheme; a bare host name is reached over HTTPS.
QString LoginDialog::forgotPasswordAddress() const
{
    const QString server = m_serverLabel->text();
    return server.startsWith(QLatin1String("http")) ? server : QStringLiteral("https://") + server;
}

void LoginDialog::passwdClickLblClicked()
{
    const QString address = forgotPasswordAddress();
    if (!QDesktopServices::openUrl(QUrl(address))) {
        ErrorBox::show(
            QStringLiteral(
                "Unable to open the link in your internet browser, to recover your password go to ")
            + address);
    }
}

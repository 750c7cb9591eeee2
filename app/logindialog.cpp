#include "app/logindialog.h"

#include "rest/jobqueue.h"
#include "rest/rest.h"
#include "rest/restclient.h"
#include "rest/restexceptions.h"
#include "rest/sessionrunner.h"
#include "rest/threadcopy.h"
#include "widgets/clickablelabel.h"
#include "widgets/errorbox.h"
#include "widgets/wordmarklabel.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

LoginDialog::LoginDialog(const QString& server, const QString& login, const QString& password,
    Qt::CheckState rememberState, QWidget* parent)
    : QDialog(parent)
    , m_logoFrame(new QFrame)
    , m_logoLayout(new QHBoxLayout(m_logoFrame))
    , m_logoLabel(new WordmarkLabel(QStringLiteral(":/images/torvexLogo.png")))
    , m_formFrame(new QFrame)
    , m_formLayout(new QGridLayout(m_formFrame))
    , m_bottomFrame(new QFrame)
    , m_bottomLayout(new QHBoxLayout(m_bottomFrame))
    , m_buttonsFrame(new QFrame)
    , m_buttonsLayout(new QHBoxLayout(m_buttonsFrame))
    , m_mainLayout(new QVBoxLayout(this))
    , m_serverCaption(new QLabel(tr("Server: ")))
    , m_serverLabel(new QLabel(server))
    , m_serverEdit(new QLineEdit(m_formFrame))
    , m_serverClickLabel(new ClickableLabel(tr("Change Server")))
    , m_loginCaption(new QLabel(tr("Email/Username: ")))
    , m_loginEdit(new QLineEdit(login))
    , m_passwordCaption(new QLabel(tr("Password: ")))
    , m_passwordEdit(new QLineEdit(password))
    , m_cancelButton(new QPushButton(tr("Cancel")))
    , m_okButton(new QPushButton(tr("Ok")))
    , m_rememberBox(new QCheckBox(tr("Remember password")))
    , m_passwdClickLabel(new ClickableLabel(tr("Forgot your password?")))
    , m_busyLabel(new QLabel)
    , m_rememberNote(new QLabel(tr("Saved in the settings file, not in a keychain")))
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
    m_busyLabel->setObjectName(QStringLiteral("busyLabel"));
    m_rememberNote->setObjectName(QStringLiteral("rememberNote"));

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
    m_bottomLayout->addWidget(m_busyLabel, 1, Qt::AlignRight);
    m_busyLabel->hide();
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
    setWindowTitle(tr("Torvex Transfer Login"));
    describeForAccessibility();
    // Tab goes through the form as it reads, the links included, then to the buttons.
    QWidget::setTabOrder(m_serverClickLabel, m_serverEdit);
    QWidget::setTabOrder(m_serverEdit, m_loginEdit);
    QWidget::setTabOrder(m_loginEdit, m_passwordEdit);
    QWidget::setTabOrder(m_passwordEdit, m_passwdClickLabel);
    QWidget::setTabOrder(m_passwdClickLabel, m_rememberBox);
    QWidget::setTabOrder(m_rememberBox, m_cancelButton);
    QWidget::setTabOrder(m_cancelButton, m_okButton);
    // A returning user only has to type the password; Enter then logs on.
    (login.isEmpty() ? m_loginEdit : m_passwordEdit)->setFocus(Qt::OtherFocusReason);

    m_serverEdit->installEventFilter(this);
    connect(m_serverEdit, &QLineEdit::editingFinished, this, &LoginDialog::serverEditFinished);
    connect(m_serverClickLabel, &ClickableLabel::clicked, this, &LoginDialog::serverClickLblClicked);
    connect(m_passwdClickLabel, &ClickableLabel::clicked, this, &LoginDialog::passwdClickLblClicked);
    connect(m_cancelButton, &QPushButton::clicked, this, &LoginDialog::cancelBtnClicked);
    connect(m_okButton, &QPushButton::clicked, this, &LoginDialog::okBtnClicked);
    connect(m_rememberBox, &QCheckBox::toggled, this, &LoginDialog::updateRememberNote);
}

void LoginDialog::describeForAccessibility()
{
    m_logoLabel->setObjectName(QStringLiteral("logoLabel"));
    m_logoLabel->setAccessibleName(tr("Torvex Transfer"));
    m_serverCaption->setBuddy(m_serverEdit);
    m_loginCaption->setBuddy(m_loginEdit);
    m_passwordCaption->setBuddy(m_passwordEdit);
    m_serverLabel->setAccessibleName(tr("Server"));
    m_serverLabel->setAccessibleDescription(tr("The server you log on to"));
    m_serverEdit->setAccessibleName(tr("Server"));
    m_serverEdit->setAccessibleDescription(tr("Host name or address of the server; Enter checks it"));
    m_serverClickLabel->setAccessibleDescription(tr("Type the name of another server"));
    m_loginEdit->setAccessibleName(tr("Email or user name"));
    m_passwordEdit->setAccessibleName(tr("Password"));
    m_passwdClickLabel->setAccessibleDescription(
        tr("Opens the server's page in your browser, where you can reset your password"));
    m_rememberBox->setAccessibleDescription(tr("Fills in the password next time"));
    m_cancelButton->setAccessibleDescription(tr("Closes the dialog without logging on"));
    m_okButton->setAccessibleDescription(tr("Logs on with these details"));
}

LoginDialog::~LoginDialog()
{
    // The base class hides a dialog still shown, and the server edit loses the focus then: its
    // editingFinished must not reach this dialog, which is gone by that time.
    disconnect(m_serverEdit, nullptr, this, nullptr);
    // The attempt's request is stopped; its thread ends on its own.
    if (m_attempt)
        m_attempt->cancel();
}

void LoginDialog::setCaBundle(const QString& caBundle)
{
    m_caBundle = caBundle;
}

void LoginDialog::setLogonEnabled(bool enabled)
{
    m_logonEnabled = enabled;
}

std::unique_ptr<SessionRunner> LoginDialog::takeSession()
{
    return std::move(m_session);
}

bool LoginDialog::setupFailed() const
{
    return m_setupFailed;
}

bool LoginDialog::isBusy() const
{
    return m_attempt.has_value();
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

void LoginDialog::reject()
{
    if (!isBusy()) {
        QDialog::reject();
        return;
    }
    const bool wasProbing = m_probing;
    endAttempt();
    (wasProbing ? m_serverEdit : m_passwordEdit)->setFocus(Qt::OtherFocusReason);
}

void LoginDialog::okBtnClicked()
{
    if (isBusy())
        return;
    if (isEditingServer()) {
        ErrorBox::show(tr("Unable to connect to the server"));
        return;
    }
    if (m_logonEnabled)
        startLogon();
    else
        accept();
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

bool LoginDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_serverEdit && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Left to the dialog, Enter would also press Ok and log on before the probe has answered.
            serverEditFinished();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void LoginDialog::serverEditFinished()
{
    // The edit also finishes when it loses focus: on being disabled or hidden, to a box, or when the
    // dialog closes. Only a finish while the user edits asks the server.
    if (isBusy() || !isEditingServer() || !isVisible() || isHidden())
        return;
    startProbe(m_serverEdit->text());
}

void LoginDialog::startProbe(const QString& server)
{
    const quint64 attempt = beginAttempt(tr("Checking the server…"));
    m_probing = true;
    m_probedServer = server;
    const QString caBundle = threadCopy(m_caBundle);
    m_attempt = JobQueue::runAlone(
        this,
        [this, attempt, server = threadCopy(server), caBundle](
            const JobControl& control) -> std::function<void()> {
            Rest::checkServer(server, caBundle, &control.token());
            return [this, attempt] { probeAnswered(attempt); };
        },
        [this, attempt](std::exception_ptr failure) { probeFailed(attempt, failure); });
}

void LoginDialog::probeAnswered(quint64 attempt)
{
    if (attempt != m_attemptNumber)
        return;
    endAttempt();
    showServerLabel(m_probedServer);
}

void LoginDialog::probeFailed(quint64 attempt, const std::exception_ptr& failure)
{
    if (attempt != m_attemptNumber)
        return;
    endAttempt();
    if (endsOnBrokenSetup(failure))
        return;
    // The server answered wrongly or not at all.
    markServerRefused();
    m_serverEdit->setFocus(Qt::OtherFocusReason);
}

// A client that could not even be set up (the HTTP library) ends the dialog with its box: no server or
// password can mend that.
bool LoginDialog::endsOnBrokenSetup(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const CurlException&) {
        ErrorBox::show(tr("Unable to correctly initialize the application."));
        m_setupFailed = true;
        QDialog::reject();
        return true;
    } catch (...) {
        return false;
    }
}

void LoginDialog::showServerLabel(const QString& server)
{
    m_serverLabel->setText(server);
    m_serverEdit->setStyleSheet(QStringLiteral("QLineEdit {background: white;}"));
    // The label is back in the grid before the focus leaves the edit, so that leaving it cannot probe
    // again; the focus goes on to the credentials, never to a button that Enter would then press.
    m_formLayout->removeWidget(m_serverEdit);
    m_formLayout->addWidget(m_serverLabel, 0, 1, 1, 1);
    m_serverLabel->show();
    m_serverClickLabel->show();
    m_formLayout->addWidget(m_serverClickLabel, 0, 2, 1, 1);
    m_passwdClickLabel->show();
    m_formLayout->addWidget(m_passwdClickLabel, 3, 1, 1, 2);
    (m_loginEdit->text().isEmpty() ? m_loginEdit : m_passwordEdit)->setFocus(Qt::OtherFocusReason);
    m_serverEdit->hide();
}

void LoginDialog::startLogon()
{
    const quint64 attempt = beginAttempt(tr("Logging on…"));
    const QString server = threadCopy(this->server());
    const QString login = threadCopy(this->login());
    const QString password = threadCopy(this->password());
    const QString caBundle = threadCopy(m_caBundle);
    m_attempt = JobQueue::runAlone(
        this,
        [this, attempt, server, login, password, caBundle](
            const JobControl& control) -> std::function<void()> {
            // Shared, so that the session travels in a std::function; dropped unseen, it logs off on
            // its own thread.
            auto session = std::make_shared<std::unique_ptr<SessionRunner>>(std::make_unique<SessionRunner>(
                std::make_unique<Rest>(server, login, password, caBundle, &control.token())));
            return [this, attempt, session] { logonAnswered(attempt, std::move(*session)); };
        },
        [this, attempt](std::exception_ptr failure) { logonFailed(attempt, failure); });
}

void LoginDialog::logonAnswered(quint64 attempt, std::unique_ptr<SessionRunner> session)
{
    if (attempt != m_attemptNumber)
        return;
    endAttempt();
    m_session = std::move(session);
    accept();
}

void LoginDialog::logonFailed(quint64 attempt, const std::exception_ptr& failure)
{
    if (attempt != m_attemptNumber)
        return;
    endAttempt();
    if (endsOnBrokenSetup(failure))
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const CurlConnectionException&) {
        ErrorBox::show(tr("Unable to connect to server."));
    } catch (const RestException&) {
        ErrorBox::show(tr("Unable to login to the server, check your login details and try again."));
    } catch (...) {
        ErrorBox::show(tr("Unable to connect to server."));
    }
    m_passwordEdit->setFocus(Qt::OtherFocusReason);
}

quint64 LoginDialog::beginAttempt(const QString& text)
{
    // Busy from here on, also for the edit's finish that taking its focus away sends.
    m_attempt.emplace();
    // The focus goes to the dialog itself: on the Cancel button, Enter would abandon what was asked.
    setFocus(Qt::OtherFocusReason);
    for (QWidget* input : std::initializer_list<QWidget*> { m_serverEdit, m_serverClickLabel, m_loginEdit,
             m_passwordEdit, m_rememberBox, m_passwdClickLabel, m_okButton })
        input->setEnabled(false);
    m_busyLabel->setText(text);
    m_busyLabel->show();
    setCursor(Qt::BusyCursor);
    return ++m_attemptNumber;
}

void LoginDialog::endAttempt()
{
    if (m_attempt)
        m_attempt->cancel();
    m_attempt.reset();
    // Whatever still comes from the attempt that ends here is ignored.
    ++m_attemptNumber;
    m_probing = false;
    m_busyLabel->hide();
    unsetCursor();
    for (QWidget* input : std::initializer_list<QWidget*> { m_serverEdit, m_serverClickLabel, m_loginEdit,
             m_passwordEdit, m_rememberBox, m_passwdClickLabel, m_okButton })
        input->setEnabled(true);
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
    return RestClient::serverAddress(m_serverLabel->text());
}

void LoginDialog::passwdClickLblClicked()
{
    const QString address = forgotPasswordAddress();
    if (!QDesktopServices::openUrl(QUrl(address))) {
        ErrorBox::show(
            tr("Unable to open the link in your internet browser, to recover your password go to %1")
                .arg(address));
    }
}

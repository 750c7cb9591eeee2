#include "app/aboutdialog.h"

#include "app/opensession.h"
#include "widgets/clickablelabel.h"
#include "widgets/errorbox.h"
#include "widgets/wordmarklabel.h"

#include <QDesktopServices>
#include <QFrame>
#include <QIcon>
#include <QLabel>
#include <QUrl>
#include <QVBoxLayout>

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent)
    , m_outerLayout(new QVBoxLayout(this))
    , m_innerFrame(new QFrame)
    , m_innerLayout(new QVBoxLayout(m_innerFrame))
    , m_logoLabel(new WordmarkLabel(QStringLiteral(":/images/torvexLogo.png")))
    , m_versionLabel(new QLabel(tr("Version %1").arg(QLatin1String(programVersion))))
    , m_noticeLabel(new QLabel(
          tr("<small>&copy; Torvex. Moves files between your computer and your Torvex projects.</small>")))
    , m_homeLink(new ClickableLabel(QUrl(QLatin1String(homePageAddress)).host()))
{
    setObjectName(QStringLiteral("AboutDialog"));
    m_versionLabel->setObjectName(QStringLiteral("versionLabel"));
    m_noticeLabel->setObjectName(QStringLiteral("noticeLabel"));
    m_homeLink->setObjectName(QStringLiteral("homeLink"));

    m_logoLabel->setAccessibleName(tr("Torvex Transfer"));
    m_homeLink->setAccessibleDescription(tr("Opens the home page of Torvex in your browser"));
    m_outerLayout->setContentsMargins(40, 40, 40, 40);
    m_outerLayout->addWidget(m_logoLabel, 0, Qt::AlignHCenter);
    m_outerLayout->addWidget(m_innerFrame, 0, Qt::AlignHCenter);
    m_innerLayout->addWidget(m_versionLabel, 0, Qt::AlignHCenter);
    m_innerLayout->addWidget(m_noticeLabel, 0, Qt::AlignHCenter);
    m_innerLayout->addWidget(m_homeLink, 0, Qt::AlignHCenter);
    m_outerLayout->setSizeConstraint(QLayout::SetFixedSize);

    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    setWindowTitle(tr("Torvex Transfer About"));
    connect(m_homeLink, &ClickableLabel::clicked, this, &AboutDialog::linkClicked);
    // The box opens with the focus on itself, so that Enter, as before, opens nothing; Tab reaches the
    // link and Escape closes the box.
    setFocusPolicy(Qt::ClickFocus);
    setFocus(Qt::OtherFocusReason);
}

void AboutDialog::linkClicked()
{
    if (!QDesktopServices::openUrl(QUrl(QLatin1String(homePageAddress))))
        ErrorBox::show(tr("Unable to open the link in your internet browser"));
}

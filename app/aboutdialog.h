#pragma once

#include <QDialog>

class ClickableLabel;
class QFrame;
class QLabel;
class QVBoxLayout;

// The service's home page, which the about box links to.
inline constexpr char homePageAddress[] = "http://www.torvex.example";

// The about box: logo, version, a notice and a link to the service's home page. It cannot be resized.
class AboutDialog : public QDialog
{
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(AboutDialog)

public Q_SLOTS:
    void linkClicked();

private:
    QVBoxLayout* m_outerLayout;
    QFrame* m_innerFrame;
    QVBoxLayout* m_innerLayout;
    QLabel* m_logoLabel;
    QLabel* m_versionLabel;
    QLabel* m_noticeLabel;
    ClickableLabel* m_homeLink;
};

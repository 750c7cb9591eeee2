#pragma once

#include <QLabel>

// A label that reports a mouse release on it as clicked(); used for links that the program opens itself.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(const QString& text = QString(), QWidget* parent = nullptr,
        Qt::WindowFlags flags = Qt::WindowFlags());
    Q_DISABLE_COPY_MOVE(ClickableLabel)

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

#pragma once

#include <QLabel>

// A label that works as a link the program opens itself: a mouse release on it, or Enter or Space while
// it has the keyboard focus, is reported as clicked(). It is drawn in the palette's link colour, shows
// when it has the focus, and tells accessibility tools that it is a link that can be pressed.
class ClickableLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ClickableLabel(const QString& text = QString(), QWidget* parent = nullptr,
        Qt::WindowFlags flags = Qt::WindowFlags());
    Q_DISABLE_COPY_MOVE(ClickableLabel)

    // Reports a click, as the mouse or the keyboard do.
    void click();

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

#include "widgets/wordmarklabel.h"

#include <QColor>
#include <QEvent>
#include <QPixmap>

WordmarkLabel::WordmarkLabel(const QString& imagePath, QWidget* parent)
    : QLabel(parent)
    , m_image(QImage(imagePath).convertToFormat(QImage::Format_ARGB32))
{
    showInPaletteColours();
}

void WordmarkLabel::changeEvent(QEvent* event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        showInPaletteColours();
}

void WordmarkLabel::showInPaletteColours()
{
    if (m_image.isNull())
        return;
    const QColor text = palette().color(QPalette::WindowText);
    const QColor secondary = palette().color(QPalette::PlaceholderText);
    QImage image = m_image;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = QColor::fromRgba(line[x]);
            // Greys only: the blue of the mark and of its highlights, and its white arrows, keep theirs.
            if (pixel.alpha() == 0 || pixel.hslSaturation() > 64 || pixel.lightness() >= 128)
                continue;
            const QColor& colour = pixel.lightness() < 80 ? text : secondary;
            line[x]
                = qRgba(colour.red(), colour.green(), colour.blue(), pixel.alpha() * colour.alpha() / 255);
        }
    }
    setPixmap(QPixmap::fromImage(image));
}

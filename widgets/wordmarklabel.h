#pragma once

#include <QImage>
#include <QLabel>

// Shows one of the program's pictures with a name set in grey on a transparent background (the logo,
// the banner) in the colours of the palette: the dark grey of the name becomes the palette's text
// colour and the lighter grey of a tag line its placeholder-text colour, so that both stay readable on a
// dark colour scheme. The coloured parts of the picture stay as they are.
class WordmarkLabel : public QLabel
{
    Q_OBJECT

public:
    explicit WordmarkLabel(const QString& imagePath, QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(WordmarkLabel)

protected:
    void changeEvent(QEvent* event) override;

private:
    void showInPaletteColours();

    QImage m_image;
};

#include "support/recorders.h"
#include "widgets/errorbox.h"

BoxRecorder::BoxRecorder()
{
    ErrorBox::setHandler([this](const QString& text) { m_texts.append(text); });
}

BoxRecorder::~BoxRecorder()
{
    ErrorBox::setHandler(nullptr);
}

#include "transfer/modelitemstatus.h"

#include <QCoreApplication>

ModelItemStatus::ModelItemStatus(int code, const QString& text)
    : m_code(code)
    , m_text(text)
{
    registerMetaType();
}

ModelItemStatus ModelItemStatus::fromVariant(const QVariant& value)
{
    registerMetaType();
    if (value.metaType() == QMetaType::fromType<ModelItemStatus>())
        return value.value<ModelItemStatus>();
    if (value.canConvert<ModelItemStatus>())
        return value.value<ModelItemStatus>();
    return ModelItemStatus();
}

QString ModelItemStatus::iconPath(int code)
{
    switch (code) {
    case Queued:
        return QStringLiteral(":/images/icons/wait.gif");
    case Failed:
        return QStringLiteral(":/images/icons/warning.gif");
    case Done:
        return QStringLiteral(":/images/icons/ok.gif");
    default:
        return QString();
    }
}

void ModelItemStatus::registerMetaType()
{
    static const int id = qRegisterMetaType<ModelItemStatus>("ModelItemStatus");
    Q_UNUSED(id);
}

QString ModelItemStatus::canceledText()
{
    return QCoreApplication::translate("ModelItemStatus", "Canceled by user");
}

#pragma once

#include <QMetaType>
#include <QString>
#include <QVariant>

// The transfer status of one item of an upload or download list: a state code and a message, shown as
// an icon and a tool tip. Travels in a QVariant under the type name "ModelItemStatus".
class ModelItemStatus
{
public:
    enum Code
    {
        Listed = 0, // not yet queued
        Queued = 1, // the worker handles only items in this state
        Failed = 2, // failed, refused, canceled, or skipped because its parent folder failed
        Done = 3,
    };

    ModelItemStatus() = default;
    ModelItemStatus(int code, const QString& text);

    int code() const { return m_code; }
    QString text() const { return m_text; }
    void setCode(int code) { m_code = code; }
    void setText(const QString& text) { m_text = text; }

    // The status a QVariant carries: the value itself, or what the toolkit can convert to it, or a
    // default status.
    static ModelItemStatus fromVariant(const QVariant& value);
    // The resource path of the status icon; "" for code 0 and unknown codes.
    static QString iconPath(int code);
    // Registers the type under its name; safe to call any number of times.
    static void registerMetaType();
    // "Canceled by user": the text of an item the cancel reached before the item started, which the
    // summary counts as not started.
    static QString canceledText();

private:
    int m_code = Queued;
    QString m_text;
};

Q_DECLARE_METATYPE(ModelItemStatus)

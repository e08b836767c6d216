#pragma once

#include <QString>
#include <QByteArray>
#include <exception>

// The model's one exception class. Every failed check raises it with a fixed
// English message that names the class and the operation; the operation
// changes nothing before it raises.
class EVexelError : public std::exception
{
public:
    explicit EVexelError(const QString &message)
        : m_message(message), m_utf8(message.toUtf8()) {}

    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

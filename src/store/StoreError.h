#pragma once

#include <QString>
#include <exception>

namespace store {

// The one error type of the table store. Its message is what the user reads.
class StoreError : public std::exception
{
public:
    explicit StoreError(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) { }
    const QString& message() const { return m_message; }
    void setMessage(QString message)
    {
        m_message = std::move(message);
        m_utf8 = m_message.toUtf8();
    }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// Ends an action without any message, as a handler that has already told the user does.
class Abort : public std::exception
{
public:
    const char* what() const noexcept override { return "aborted"; }
};

} // namespace store

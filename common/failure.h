// A failure that a trapped procedure reports: it carries the description shown to the user.
#pragma once

#include <QString>

#include <exception>

class Failure : public std::exception
{
public:
    explicit Failure(QString description)
        : m_description(std::move(description))
        , m_utf8(m_description.toUtf8())
    { }

    const QString &description() const noexcept { return m_description; }

    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_description;
    QByteArray m_utf8;
};

// Where users are sent for help; addresses live here and nowhere else.
#pragma once

#include <QString>

namespace Contact {
inline QString supportEmail()
{
    return QStringLiteral("support@glossmere.example.org");
}

inline QString contactPage()
{
    return QStringLiteral("https://glossmere.example.org/contact");
}

inline QString productName()
{
    return QStringLiteral("Glossmere");
}
} // namespace Contact

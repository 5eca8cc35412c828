#include "common/errortrap.h"

#include "common/contact.h"
#include "common/failure.h"
#include "common/prompts.h"

QString procedureId(const QString &owner, const QString &procedure)
{
    return QStringLiteral("in Glossbox2021/08/31.") + owner + QLatin1Char('.') + procedure + QLatin1Char(' ');
}

QString errorReportText(const QString &description, const QString &identifier, int line)
{
    return description + QStringLiteral("\r\n") + identifier + QStringLiteral("at line ")
        + QString::number(line) + QStringLiteral("\r\r")
        + QStringLiteral("Please email screenshot of this message to ") + Contact::supportEmail();
}

void ShowErrorReport(Prompts &prompts, const QString &description, const QString &identifier, int line)
{
    prompts.message(errorReportText(description, identifier, line),
                    QStringLiteral("Application Error"),
                    Prompts::Icon::Warning);
}

QString describeFailure(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Failure &known) {
        return known.description();
    } catch (const std::bad_alloc &) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception &other) {
        return QString::fromLocal8Bit(other.what());
    } catch (...) {
        return QStringLiteral("Unknown failure");
    }
}

ErrorTrap::ErrorTrap(Prompts &prompts, QString identifier)
    : m_prompts(prompts)
    , m_identifier(std::move(identifier))
{ }

void ErrorTrap::report(int line, std::exception_ptr failure)
{
    ShowErrorReport(m_prompts, describeFailure(failure), m_identifier, line);
}

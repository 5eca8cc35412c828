// Numbered steps that report a failure and carry on, as every command of the program does.
#pragma once

#include <QString>

#include <exception>

class Prompts;

// The fixed text naming a procedure in error reports, e.g. "in Glossbox2021/08/31.Form1.Form_Load ".
QString procedureId(const QString &owner, const QString &procedure);

QString errorReportText(const QString &description, const QString &identifier, int line);
void ShowErrorReport(Prompts &prompts, const QString &description, const QString &identifier, int line);

// The description of whatever was thrown.
QString describeFailure(std::exception_ptr failure);

class ErrorTrap
{
public:
    ErrorTrap(Prompts &prompts, QString identifier);

    // Runs one step. A failure is reported with this step's line and the procedure goes on.
    template <typename Body> bool step(int line, Body &&body)
    {
        try {
            body();
            return true;
        } catch (...) {
            report(line, std::current_exception());
            return false;
        }
    }

    const QString &identifier() const { return m_identifier; }

private:
    void report(int line, std::exception_ptr failure);

    Prompts &m_prompts;
    QString m_identifier;
};

#include "common/settings.h"

#include "common/failure.h"

#include <QSettings>
#include <QStringList>

#include <cmath>

Settings::Settings()
    // One file per user for the whole Tamberlux family, one section for this program.
    : Settings(std::make_unique<QSettings>(
        QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tamberlux")))
{ }

Settings::Settings(std::unique_ptr<QSettings> store)
    : m_store(std::move(store))
{
    m_store->beginGroup(QStringLiteral("Glossmere"));
}

Settings::~Settings() = default;

QString Settings::ReadSetting(const QString &key, const QString &defaultValue) const
{
    const QVariant value = m_store->value(key);
    if (!value.isValid())
        return defaultValue;
    // A hand-edited value with commas comes back as a list; keep it as the text it was.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void Settings::WriteSetting(const QString &key, const QString &value)
{
    m_store->setValue(key, value);
    m_store->sync();
}

bool settingToBool(const QString &text)
{
    const QString word = text.trimmed();
    if (word.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = word.toDouble(&isNumber);
    if (isNumber && std::isfinite(number))
        return number != 0.0;
    throw Failure(QStringLiteral("Type mismatch: \"%1\" is not True, False or a number").arg(text));
}

QString boolSettingText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

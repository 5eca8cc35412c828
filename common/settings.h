// The per-user store of the test options, kept as text under "Tamberlux" / "Glossmere".
#pragma once

#include <QString>

#include <memory>

class QSettings;

class Settings
{
public:
    // The user's own store.
    Settings();
    // Any store, e.g. a file in a temporary folder for tests.
    explicit Settings(std::unique_ptr<QSettings> store);
    ~Settings();

    // The stored text, or the default when the key has never been written.
    QString ReadSetting(const QString &key, const QString &defaultValue) const;
    // Written and flushed at once.
    void WriteSetting(const QString &key, const QString &value);

private:
    std::unique_ptr<QSettings> m_store;
};

// "True"/"False" in any letter case, or any number (true when not zero). Anything else throws a Failure.
bool settingToBool(const QString &text);
QString boolSettingText(bool value);

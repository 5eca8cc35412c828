// The per-user store of the test options, kept as text under "Tamberlux" / "Glossmere".
#pragma once

#include <QString>

// The stored text, or the default when the key has never been written.
QString ReadSetting(const QString &key, const QString &defaultValue);
// Written and flushed at once.
void WriteSetting(const QString &key, const QString &value);

// "True"/"False" in any letter case, or any number (true when not zero). Anything else throws a Failure.
bool settingToBool(const QString &text);
QString boolSettingText(bool value);

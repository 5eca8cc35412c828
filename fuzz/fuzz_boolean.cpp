// Fuzzes the reading of a stored boolean setting: it either fails cleanly or gives an answer that
// follows from the text.
#include "common/failure.h"
#include "common/settings.h"

#include <QString>

#include <cmath>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    bool value = false;
    try {
        value = settingToBool(text);
    } catch (const Failure &) {
        return 0;
    }
    const QString word = text.trimmed();
    if (word.compare(QStringLiteral("True"), Qt::CaseInsensitive) == 0) {
        if (!value)
            std::abort();
        return 0;
    }
    if (word.compare(QStringLiteral("False"), Qt::CaseInsensitive) == 0) {
        if (value)
            std::abort();
        return 0;
    }
    bool isNumber = false;
    const double number = word.toDouble(&isNumber);
    if (!isNumber || !std::isfinite(number) || value != (number != 0.0))
        std::abort();
    return 0;
}

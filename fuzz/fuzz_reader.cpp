// Fuzzes the definition file reader: any bytes, any separator. The first input byte gives the
// separator's length (0 to 7 bytes, taken as UTF-8), the rest is the file.
#include "deffiles/definitiontext.h"

#include <QByteArray>
#include <QString>
#include <QStringConverter>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const size_t separatorLength = std::min<size_t>(data[0] % 8, size - 1);
    const QString separator =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 1), qsizetype(separatorLength));
    const QByteArray file(reinterpret_cast<const char *>(data + 1 + separatorLength),
                          qsizetype(size - 1 - separatorLength));

    const TermStore store = readDefinitionEntries(file, separator);
    for (int i = 0; i < store.size(); ++i) {
        // Pieces never hold a line break or the separator itself.
        const QString term = store.term(i);
        const QString definition = store.definition(i);
        if (term.contains(u'\n') || term.contains(u'\r') || definition.contains(u'\n')
            || definition.contains(u'\r'))
            std::abort();
        if (!separator.isEmpty() && (term.contains(separator) || definition.contains(separator)))
            std::abort();
    }

    // Where the file is UTF-8, or the separator plain ASCII, cutting the raw bytes must give exactly what
    // decoding the whole text and cutting its lines gives.
    const bool bom = QStringConverter::encodingForData(file).has_value();
    bool asciiSeparator = true;
    for (const QChar c : separator)
        asciiSeparator = asciiSeparator && c.unicode() < 0x80;
    if (!bom && (QByteArrayView(file).isValidUtf8() || asciiSeparator)) {
        TermStore reference;
        appendDefinitionLines(decodeDefinitionText(file), separator, reference);
        if (reference.toEntries() != store.toEntries())
            std::abort();
    }

    // Loading refuses exactly the files with a NUL outside UTF-16/32 text, and reads the others alike.
    const std::optional<TermStore> text = readDefinitionTextFile(file, separator);
    const auto encoding = QStringConverter::encodingForData(file);
    const bool wide = encoding && *encoding != QStringConverter::Utf8;
    if (text.has_value() != (wide || !file.contains('\0'))
        || (text && text->toEntries() != store.toEntries()))
        std::abort();

    // Whatever was read can be written.
    const QByteArray written =
        encodeDefinitionFile(store, separator.isEmpty() ? QStringLiteral("::") : separator);
    if (!written.startsWith("Valid Definition File\r\n"))
        std::abort();
    return 0;
}

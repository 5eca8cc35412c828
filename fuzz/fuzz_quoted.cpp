// Fuzzes the quoted-field and Anki readers. The first input byte picks the reader (comma, semicolon,
// Tab, Anki notes), the rest is the file. What is read never holds a line break, and what is read
// comes back the same through the matching export.
#include "deffiles/definitiontext.h"
#include "formats/foreignformats.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0] % 4;
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    static const char separators[] = {',', ';', '\t'};
    const TermStore store = mode == 3 ? readAnkiNotes(file) : readQuotedFields(file, separators[mode]);
    const TermEntries entries = store.toEntries();
    for (const TermEntry &entry : entries) {
        if (entry.term.contains(u'\n') || entry.term.contains(u'\r') || entry.definition.contains(u'\n')
            || entry.definition.contains(u'\r'))
            std::abort();
        if (entry.term.isEmpty() && entry.definition.isEmpty())
            std::abort();
    }
    if (mode == 1)
        return 0;
    const ExportFormat format = mode == 0 ? ExportFormat::Csv
        : mode == 2                       ? ExportFormat::Tsv
                                          : ExportFormat::Anki;
    const QByteArray written = encodeExport(store, format);
    const TermStore back = mode == 3 ? readAnkiNotes(written) : readQuotedFields(written, separators[mode]);
    if (back.toEntries() != entries)
        std::abort();
    return 0;
}

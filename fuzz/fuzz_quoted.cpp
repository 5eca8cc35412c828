// Fuzzes the quoted-field and Anki readers. The first input byte picks the reader (comma, semicolon,
// Tab, Anki notes), the rest is the file. What is read never holds a line break, and what is read
// comes back the same through the matching export; a file reads the same in halves on two threads as in
// one pass.
#include "deffiles/definitiontext.h"
#include "formats/foreignformats.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>
#include <system_error>
#include <thread>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const int mode = data[0] % 4;
    const QByteArray file(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    static const char separators[] = {',', ';', '\t'};
    const auto read = [&] {
        return mode == 3 ? readAnkiNotes(file) : readQuotedFields(file, separators[mode]);
    };
    const TermStore store = read();
    const TermEntries entries = store.toEntries();
    // Read in halves or in one pass, a file reads the same.
    const auto usual = startReaderThread;
    startReaderThread = [](std::function<void()>) -> std::jthread {
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    };
    const bool same = read().toEntries() == entries;
    startReaderThread = usual;
    if (!same)
        std::abort();
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

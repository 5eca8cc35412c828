// The definition file format as pure functions: bytes to entries and back.
#pragma once

#include "common/textdecoding.h"
#include "store/termstore.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <thread>

// Files beyond this size are refused rather than read into memory.
constexpr qint64 maxDefinitionFileBytes = qint64(256) * 1024 * 1024;

// Lines end in CR LF, LF or CR. A line becomes an entry only where the separator occurs exactly:
// the text before it is the term, the text up to a second occurrence (or the line's end) the definition.
void appendDefinitionLines(QStringView text, QStringView separator, TermStore &store);

// The same as decodeDefinitionText followed by appendDefinitionLines: a UTF-8 file's bytes become the
// store's text as they are (shared, not copied) and only the line and separator positions are
// recorded; Windows-1252 text is converted to UTF-8 as it is cut; UTF-16 and UTF-32 text is decoded
// first.
TermStore readDefinitionEntries(const QByteArray &bytes, QStringView separator);

// The same, or nothing when the bytes are no text at all: a NUL byte outside UTF-16 or UTF-32 text
// means an image, a program... The UTF-8 pass looks for it as it cuts the lines; only a file that
// turns out not to be UTF-8 is looked through once more.
std::optional<TermStore> readDefinitionTextFile(const QByteArray &bytes, QStringView separator);

// The header line, then term + separator + definition per entry; UTF-8 without BOM, CR LF line ends.
// `write` receives the file in consecutive chunks.
void writeDefinitionFile(const TermStore &store,
                         QStringView separator,
                         const std::function<void(QByteArrayView)> &write);
QByteArray encodeDefinitionFile(const TermStore &store, QStringView separator);

// How many entries hold the separator in their term or definition: written to a file, they would
// read back split elsewhere.
int entriesHoldingSeparator(const TermStore &store, QStringView separator);

// The part of a path after its last separator; empty when the path holds none.
QString bareFileName(const QString &path);

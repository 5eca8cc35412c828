// The definition file format as pure functions: bytes to entries and back.
#pragma once

#include "deffiles/termstore.h"

#include <QByteArray>
#include <QString>

// Files beyond this size are refused rather than read into memory.
constexpr qint64 maxDefinitionFileBytes = qint64(256) * 1024 * 1024;

// UTF-8 with or without BOM, UTF-16/32 with BOM; anything that is not valid UTF-8 is Windows-1252.
QString decodeDefinitionText(const QByteArray &bytes);

// Lines end in CR LF, LF or CR. A line becomes an entry only where the separator occurs exactly:
// the text before it is the term, the text up to a second occurrence (or the line's end) the definition.
void appendDefinitionLines(QStringView text, QStringView separator, TermStore &store);

// The same as decodeDefinitionText followed by appendDefinitionLines, without ever holding the
// whole file as text: only the kept pieces are decoded, straight into the store.
TermStore readDefinitionEntries(QByteArrayView bytes, QStringView separator);

// The header line, then term + separator + definition per entry; UTF-8 without BOM, CR LF line ends.
QByteArray encodeDefinitionFile(const TermStore &store, QStringView separator);

// The part of a path after its last separator; empty when the path holds none.
QString bareFileName(const QString &path);

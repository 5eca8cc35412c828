// Other trainers' and spreadsheets' files as pure functions: bytes to entries and entries to bytes.
#pragma once

#include "store/termstore.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <functional>

// How an imported file is read. Literal cuts each line at a typed separator (the definition reader);
// the others read quoted fields, KVTML or an Anki notes export.
enum class ImportFormat { Literal, Tab, Comma, Semicolon, Kvtml, Anki };

// How the list is exported.
enum class ExportFormat { Csv, Tsv, Anki, Kvtml };

// A document that cannot be read at all: where (1-based line) and why.
class FormatFault : public std::exception
{
public:
    FormatFault(qint64 line, QString reason)
        : m_line(line)
        , m_reason(std::move(reason))
    { }

    qint64 line() const { return m_line; }

    const QString &reason() const { return m_reason; }

    const char *what() const noexcept override { return "unreadable document"; }

private:
    qint64 m_line;
    QString m_reason;
};

// The format a file's first bytes show it to be: Kvtml for an XML document whose root element is
// `kvtml`, Anki for a first line "#separator:", otherwise Literal (nothing recognised).
ImportFormat recogniseImportFormat(const QByteArray &head);

// RFC 4180 records: a field in double quotes may hold the separator, doubled quotes and line breaks
// (each becomes one space); other fields are taken as they stand. The first two fields of a record
// are its term and definition; records with one field, or two empty ones, are skipped. A quote that
// is never closed is taken as an ordinary character.
TermStore readQuotedFields(const QByteArray &bytes, char separator);

// An Anki "Notes in Plain Text" export: its #key:value header lines, comments and quoted fields; the
// first two note fields, with HTML made plain text where the file says it holds HTML.
TermStore readAnkiNotes(const QByteArray &bytes);

// The text a reader sees in an Anki field holding HTML.
QString plainTextOfHtml(QStringView html);

// KVTML 2.0 and 1.x. A line break in a text, written out or as a character reference, is one
// space; an entry with one empty side is taken only from a file that Glossmere wrote (its
// generator). Throws FormatFault for a document that is not well-formed or declares entities; no
// DTD or other resource is ever read.
TermStore readKvtml(const QByteArray &bytes);

// Writes the list in `format`, UTF-8, passing consecutive chunks to `write`; `title` names the list
// where the format has room for it. KVTML holds the characters that XML cannot hold as spaces.
void writeExport(const TermStore &store,
                 ExportFormat format,
                 const QString &title,
                 const std::function<void(QByteArrayView)> &write);
QByteArray encodeExport(const TermStore &store, ExportFormat format, const QString &title = {});

// A character XML cannot hold in any form: a control character but Tab and the line breaks, U+FFFE,
// U+FFFF.
bool textXmlCannotHold(QChar c);

// How many terms and definitions hold a character XML cannot hold: written to KVTML as spaces, they
// would not read back the same.
int textsKvtmlCannotHold(const TermStore &store);

// Compact storage of term/definition pairs: the text of many entries shares large blocks, so a list
// of a million entries costs two small records and its characters, not two heap strings per entry.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

#include <memory>
#include <vector>

struct TermEntry
{
    QString term;
    QString definition;

    bool operator==(const TermEntry &) const = default;
};

using TermEntries = QList<TermEntry>;

class TermStore
{
public:
    TermStore() = default;
    TermStore(TermStore &&) noexcept = default;
    TermStore &operator=(TermStore &&) noexcept = default;

    int size() const { return int(m_spans.size()); }

    bool isEmpty() const { return m_spans.empty(); }

    // Positions are not checked here; the model checks them.
    QStringView term(int position) const;
    QStringView definition(int position) const;

    void append(QStringView term, QStringView definition);
    void insertAt(int position, QStringView term, QStringView definition);
    void replaceAt(int position, QStringView term, QStringView definition);
    void removeAt(int position);
    // Moves every entry of `other` to the end of this store.
    void appendAll(TermStore &&other);
    void reserve(qsizetype entries);

    // Bulk filling without copies: room for one entry of at most `maxChars` characters, the term
    // written first and the definition straight after it; then commitEntry with the two lengths.
    char16_t *beginEntry(qsizetype maxChars);
    void commitEntry(qsizetype termLength, qsizetype definitionLength);

    // A copy of every entry, block by block.
    TermStore clone() const;

    TermEntries toEntries() const;
    static TermStore fromEntries(const TermEntries &entries);

private:
    struct Span
    {
        quint32 block;
        quint32 offset;
        quint32 termLength;
        quint32 definitionLength;
    };

    struct Block
    {
        std::unique_ptr<char16_t[]> chars;
        qsizetype used = 0;
        qsizetype capacity = 0;
    };

    std::vector<Block> m_blocks;
    std::vector<Span> m_spans;
};

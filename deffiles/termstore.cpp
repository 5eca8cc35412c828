#include "deffiles/termstore.h"

#include "deffiles/bulkmemory.h"

#include <algorithm>

namespace {
// Blocks start small for a hand-typed list and double up to this size for big files.
constexpr qsizetype firstBlockChars = qsizetype(1) << 12;
constexpr qsizetype largestBlockChars = qsizetype(1) << 21;
} // namespace

QStringView TermStore::term(int position) const
{
    const Span &span = m_spans[size_t(position)];
    return QStringView(m_blocks[span.block].chars.get() + span.offset, qsizetype(span.termLength));
}

QStringView TermStore::definition(int position) const
{
    const Span &span = m_spans[size_t(position)];
    return QStringView(m_blocks[span.block].chars.get() + span.offset + span.termLength,
                       qsizetype(span.definitionLength));
}

void TermStore::append(QStringView term, QStringView definition)
{
    char16_t *out = beginEntry(term.size() + definition.size());
    std::copy(term.utf16(), term.utf16() + term.size(), out);
    std::copy(definition.utf16(), definition.utf16() + definition.size(), out + term.size());
    commitEntry(term.size(), definition.size());
}

void TermStore::insertAt(int position, QStringView term, QStringView definition)
{
    append(term, definition);
    std::rotate(m_spans.begin() + position, m_spans.end() - 1, m_spans.end());
}

void TermStore::replaceAt(int position, QStringView term, QStringView definition)
{
    // The new text goes to the end of the blocks; the old characters stay unused, as after a removal.
    append(term, definition);
    m_spans[size_t(position)] = m_spans.back();
    m_spans.pop_back();
}

void TermStore::removeAt(int position)
{
    // The characters stay in their block: removal is rare and one entry at a time.
    m_spans.erase(m_spans.begin() + position);
}

void TermStore::appendAll(TermStore &&other)
{
    const auto shift = quint32(m_blocks.size());
    m_spans.reserve(m_spans.size() + other.m_spans.size());
    for (Span span : other.m_spans) {
        span.block += shift;
        m_spans.push_back(span);
    }
    for (Block &block : other.m_blocks)
        m_blocks.push_back(std::move(block));
    other = TermStore();
}

char16_t *TermStore::beginEntry(qsizetype maxChars)
{
    if (m_blocks.empty() || m_blocks.back().capacity - m_blocks.back().used < maxChars) {
        Block block;
        const qsizetype grown =
            m_blocks.empty() ? firstBlockChars : std::min(largestBlockChars, m_blocks.back().capacity * 2);
        block.capacity = std::max(grown, maxChars);
        // Left uninitialised: pages are touched only as text is written into them.
        block.chars = std::make_unique_for_overwrite<char16_t[]>(size_t(block.capacity));
        adviseHugePages(block.chars.get(), size_t(block.capacity) * sizeof(char16_t));
        m_blocks.push_back(std::move(block));
    }
    Block &block = m_blocks.back();
    return block.chars.get() + block.used;
}

void TermStore::commitEntry(qsizetype termLength, qsizetype definitionLength)
{
    Block &block = m_blocks.back();
    m_spans.push_back(
        {quint32(m_blocks.size() - 1), quint32(block.used), quint32(termLength), quint32(definitionLength)});
    block.used += termLength + definitionLength;
}

void TermStore::reserve(qsizetype entries)
{
    m_spans.reserve(size_t(entries));
    adviseHugePages(m_spans.data(), m_spans.capacity() * sizeof(Span));
}

TermStore TermStore::clone() const
{
    TermStore copy;
    copy.m_spans = m_spans;
    copy.m_blocks.reserve(m_blocks.size());
    for (const Block &block : m_blocks) {
        Block same;
        same.capacity = block.used;
        same.used = block.used;
        same.chars = std::make_unique_for_overwrite<char16_t[]>(size_t(std::max<qsizetype>(1, block.used)));
        std::copy(block.chars.get(), block.chars.get() + block.used, same.chars.get());
        copy.m_blocks.push_back(std::move(same));
    }
    return copy;
}

TermEntries TermStore::toEntries() const
{
    TermEntries entries;
    entries.reserve(size());
    for (int i = 0; i < size(); ++i)
        entries.append({term(i).toString(), definition(i).toString()});
    return entries;
}

TermStore TermStore::fromEntries(const TermEntries &entries)
{
    TermStore store;
    store.reserve(entries.size());
    for (const TermEntry &entry : entries)
        store.append(entry.term, entry.definition);
    return store;
}

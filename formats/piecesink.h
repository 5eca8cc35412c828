// Entries into a term store, kept in the file's own text where they lie in it (no copy), copied
// otherwise. For readers whose term and definition lie at varying distances in one text.
#pragma once

#include "store/termstore.h"

#include <QByteArray>

#include <cstring>
#include <utility>
#include <vector>

class PieceSink
{
public:
    PieceSink(TermStore &store, const QByteArray &text)
        : m_store(store)
        , m_text(text)
    { }

    void add(QByteArrayView term, QByteArrayView definition)
    {
        const char *base = m_text.constData();
        const auto inText = [&](QByteArrayView piece) {
            return piece.data() >= base && piece.data() + piece.size() <= base + m_text.size();
        };
        if (!term.isEmpty() && inText(term) && inText(definition)
            && definition.data() >= term.data() + term.size()) {
            const qsizetype block = blockFor(definition.data() - (term.data() + term.size()));
            if (block >= 0) {
                m_store.appendPiece(block, term.data() - base, term.size(), definition.size());
                return;
            }
        }
        char *out = m_store.beginEntry(term.size() + definition.size());
        if (!term.isEmpty())
            std::memcpy(out, term.data(), size_t(term.size()));
        if (!definition.isEmpty())
            std::memcpy(out + term.size(), definition.data(), size_t(definition.size()));
        m_store.commitEntry(term.size(), definition.size());
    }

private:
    // The block for entries `gap` bytes apart; -1 when there are already many distances.
    qsizetype blockFor(qsizetype gap)
    {
        for (const auto &[distance, block] : m_blocks) {
            if (distance == gap)
                return block;
        }
        if (m_blocks.size() >= 16)
            return -1;
        m_blocks.emplace_back(gap, m_store.addSharedTextBlock(m_text, gap));
        return m_blocks.back().second;
    }

    TermStore &m_store;
    const QByteArray &m_text;
    std::vector<std::pair<qsizetype, qsizetype>> m_blocks;
};

#include "testsetup/questionorder.h"

#include "common/randomsource.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>

namespace {
// The position of the set bit with `rank` set bits below it.
[[gnu::always_inline]] inline int selectBit(std::uint64_t word, int rank)
{
    int base = 0;
    for (int width = 32; width >= 8; width /= 2) {
        const std::uint64_t low = word & ((std::uint64_t(1) << width) - 1);
        const int below = std::popcount(low);
        if (rank >= below) {
            rank -= below;
            word >>= width;
            base += width;
        } else {
            word = low;
        }
    }
    for (;; word >>= 1, ++base) {
        if (word & 1) {
            if (rank == 0)
                return base;
            --rank;
        }
    }
}

// The free slots of the final order: one bit per slot, 64 to a word, and above the words a four-way
// tree whose nodes hold the free slots of their first one, two and three children. Taking a slot walks
// down once, counting it off on the way. A million slots need 125 KiB of bits and under 90 KiB of
// tree, so the seven steps of the walk stay in the processor's caches, where a binary tree over single
// slots (4 MiB, twenty steps) missed them at every lower level.
class FreeSlots
{
public:
    explicit FreeSlots(int count)
    {
        const int words = (count + 63) / 64;
        m_words = 1;
        while (m_words < words) {
            m_words *= 4;
            m_firstLeaf = 4 * m_firstLeaf + 1;
        }
        m_bits = std::make_unique<std::uint64_t[]>(size_t(m_words));
        m_nodes = std::make_unique<Node[]>(size_t(std::max(m_firstLeaf, 1)));
        // Slots past the end are taken from the start.
        for (int word = 0; word < m_words; ++word) {
            const int free = std::clamp(count - 64 * word, 0, 64);
            m_bits[size_t(word)] = free == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << free) - 1;
        }
        // Node n's children are 4n + 1 .. 4n + 4; a node spans `width` words from `first`.
        int levelStart = 0;
        for (int width = m_words / 4; width >= 1; width /= 4) {
            const int nodes = m_words / (4 * width);
            for (int k = 0; k < nodes; ++k) {
                const int first = 4 * width * k;
                for (int child = 1; child <= 3; ++child)
                    m_nodes[size_t(levelStart + k)].before[child - 1] =
                        std::clamp(count - 64 * first, 0, 64 * width * child);
            }
            levelStart = 4 * levelStart + 1;
        }
    }

    // Takes the free slot with `rank` free slots before it and returns its index.
    [[gnu::always_inline]] int take(int rank)
    {
        int node = 0;
        while (node < m_firstLeaf) {
            int *before = m_nodes[size_t(node)].before;
            const int child = int(rank >= before[0]) + int(rank >= before[1]) + int(rank >= before[2]);
            rank -= child > 0 ? before[child - 1] : 0;
            before[0] -= int(child < 1);
            before[1] -= int(child < 2);
            before[2] -= int(child < 3);
            node = 4 * node + 1 + child;
        }
        const int word = node - m_firstLeaf;
        std::uint64_t &bits = m_bits[size_t(word)];
        const int bit = selectBit(bits, rank);
        bits &= ~(std::uint64_t(1) << bit);
        return 64 * word + bit;
    }

private:
    struct alignas(16) Node
    {
        int before[3];
    };

    int m_words = 1;
    int m_firstLeaf = 0;
    std::unique_ptr<std::uint64_t[]> m_bits;
    std::unique_ptr<Node[]> m_nodes;
};

// Resolved backwards: the entry inserted last keeps its place; each earlier one ends in the free slot
// that has as many free slots before it as the position it was inserted at. Built twice, the second
// for processors with a popcount instruction (most of them; the baseline lacks it). ThreadSanitizer
// cannot run the chooser, which runs before it starts.
#ifndef __SANITIZE_THREAD__
__attribute__((target_clones("popcnt", "default")))
#endif
void resolveOrder(const int *insertAt, int count, int *order)
{
    FreeSlots free(count);
    for (int i = count - 1; i >= 0; --i)
        order[free.take(insertAt[i])] = i;
}
} // namespace

std::vector<int> buildQuestionOrder(int count, RandomSource &random)
{
    if (count <= 0)
        return {};
    const auto insertAt = std::make_unique_for_overwrite<int[]>(size_t(count));
    for (int i = 0; i < count; ++i)
        insertAt[size_t(i)] = int(roundHalfEven(random.draw() * i));

    std::vector<int> order(size_t(count), 0);
    resolveOrder(insertAt.get(), count, order.data());
    return order;
}

std::vector<int> buildQuestionOrder(const std::vector<int> &entries, RandomSource &random)
{
    std::vector<int> order = buildQuestionOrder(int(entries.size()), random);
    for (int &question : order)
        question = entries[size_t(question)];
    return order;
}

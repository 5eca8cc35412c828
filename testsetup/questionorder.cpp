#include "testsetup/questionorder.h"

#include "common/randomsource.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>

namespace {
// The position of the set bit with `rank` set bits below it.
int selectBit(std::uint64_t word, int rank)
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

// The free slots of the final order: one bit per slot, 64 to a word, and above the words a tree whose
// nodes count the free slots of their left half. Taking a slot walks down once, counting it off on the
// way. A million slots need 125 KiB of bits and 64 KiB of tree, so the walk stays in the processor's
// caches, where a tree over single slots (4 MiB) missed them at every lower level.
class FreeSlots
{
public:
    explicit FreeSlots(int count)
        : m_words(int(std::bit_ceil(unsigned(count + 63) / 64)))
        , m_bits(std::make_unique<std::uint64_t[]>(size_t(m_words)))
        , m_left(std::make_unique<int[]>(size_t(m_words)))
    {
        // Slots past the end are taken from the start.
        for (int word = 0; word < m_words; ++word) {
            const int free = std::clamp(count - 64 * word, 0, 64);
            m_bits[size_t(word)] = free == 64 ? ~std::uint64_t(0) : (std::uint64_t(1) << free) - 1;
        }
        // Node n spans words [first, first + width): its left half starts at the same word.
        for (int node = m_words - 1; node >= 1; --node) {
            const int level = std::bit_width(unsigned(node)) - 1;
            const int width = m_words >> level;
            const int first = (node - (1 << level)) * width;
            m_left[size_t(node)] = std::clamp(count - 64 * first, 0, 64 * width / 2);
        }
    }

    // Takes the free slot with `rank` free slots before it and returns its index.
    int take(int rank)
    {
        int node = 1;
        while (node < m_words) {
            const int left = m_left[size_t(node)];
            const bool right = rank >= left;
            rank -= right ? left : 0;
            m_left[size_t(node)] = left - int(!right);
            node = 2 * node + int(right);
        }
        const int word = node - m_words;
        std::uint64_t &bits = m_bits[size_t(word)];
        const int bit = selectBit(bits, rank);
        bits &= ~(std::uint64_t(1) << bit);
        return 64 * word + bit;
    }

private:
    int m_words;
    std::unique_ptr<std::uint64_t[]> m_bits;
    std::unique_ptr<int[]> m_left;
};
} // namespace

std::vector<int> buildQuestionOrder(int count, RandomSource &random)
{
    if (count <= 0)
        return {};
    const auto insertAt = std::make_unique_for_overwrite<int[]>(size_t(count));
    for (int i = 0; i < count; ++i)
        insertAt[size_t(i)] = int(roundHalfEven(random.draw() * i));

    // Resolved backwards: the entry inserted last keeps its place; each earlier one ends in the free
    // slot that has as many free slots before it as the position it was inserted at.
    std::vector<int> order(size_t(count), 0);
    FreeSlots free(count);
    for (int i = count - 1; i >= 0; --i)
        order[size_t(free.take(insertAt[size_t(i)]))] = i;
    return order;
}

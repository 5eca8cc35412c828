#include "testsetup/questionorder.h"

#include "common/randomsource.h"

#include <bit>

namespace {
// Counts the free slots of the final order and finds the k-th free one in logarithmic time. The tree
// spans a power of two with the slots past the end taken, so the search needs no bounds test and
// compiles to conditional moves rather than unpredictable branches.
class FreeSlots
{
public:
    explicit FreeSlots(int count)
        : m_size(int(std::bit_ceil(unsigned(count))))
        , m_tree(size_t(m_size) + 1, 0)
    {
        for (int i = 1; i <= m_size; ++i) {
            m_tree[size_t(i)] += i <= count ? 1 : 0;
            const int parent = i + (i & -i);
            if (parent <= m_size)
                m_tree[size_t(parent)] += m_tree[size_t(i)];
        }
    }

    // Takes the free slot with `rank` free slots before it and returns its index.
    int take(int rank)
    {
        // The whole tree holds more free slots than `rank`, so the search starts one level down and
        // never steps past the end.
        int position = 0;
        for (int step = m_size / 2; step > 0; step >>= 1) {
            const int below = m_tree[size_t(position + step)];
            const int forward = -int(below <= rank);
            rank -= below & forward;
            position += step & forward;
        }
        for (int i = position + 1; i <= m_size; i += i & -i)
            m_tree[size_t(i)] -= 1;
        return position;
    }

private:
    int m_size;
    std::vector<int> m_tree;
};
} // namespace

std::vector<int> buildQuestionOrder(int count, RandomSource &random)
{
    if (count <= 0)
        return {};
    std::vector<int> insertAt(size_t(count), 0);
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

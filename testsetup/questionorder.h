// The shuffled order of a test's questions.
#pragma once

#include <vector>

class RandomSource;

// Entry positions 0..count-1 in the order that inserting position i at round-half-even(r × i), one
// after another with a fresh draw r each, produces. Computed in O(n log n).
std::vector<int> buildQuestionOrder(int count, RandomSource &random);

// The order of a test over some of the list's entries (their positions, in list order): the order of
// their count as above, each number standing for the entry at that place of `entries`.
std::vector<int> buildQuestionOrder(const std::vector<int> &entries, RandomSource &random);

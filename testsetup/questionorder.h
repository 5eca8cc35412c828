// The shuffled order of a test's questions.
#pragma once

#include <vector>

class RandomSource;

// Entry positions 0..count-1 in the order that inserting position i at round-half-even(r × i), one
// after another with a fresh draw r each, produces. Computed in O(n log n).
std::vector<int> buildQuestionOrder(int count, RandomSource &random);

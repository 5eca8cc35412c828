// Uniform draws in [0, 1); tests put in scripted values.
#pragma once

#include <memory>
#include <random>

class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual double draw() = 0;
    // A source for another thread, drawn from this one, so that no two threads share one.
    virtual std::unique_ptr<RandomSource> forAnotherThread();
};

// Seeded once per run: reseeding before every draw from the clock repeats values within one tick.
class SystemRandom : public RandomSource
{
public:
    SystemRandom();
    explicit SystemRandom(RandomSource &seededFrom);
    double draw() override;

private:
    std::mt19937_64 m_engine;
    std::uniform_real_distribution<double> m_uniform{0.0, 1.0};
};

// Rounds half to the even neighbour, as the shuffle and the wrong-answer draw require.
long long roundHalfEven(double value);

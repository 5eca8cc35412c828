#include "common/randomsource.h"

#include <chrono>
#include <cmath>

SystemRandom::SystemRandom()
{
    std::random_device device;
    const auto now =
        static_cast<unsigned long long>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seed{device(), device(), static_cast<unsigned>(now), static_cast<unsigned>(now >> 32)};
    m_engine.seed(seed);
}

SystemRandom::SystemRandom(RandomSource &seededFrom)
{
    // Two draws give 104 bits, more than the engine's seed needs to differ from run to run.
    const auto part = [&] {
        return static_cast<unsigned long long>(seededFrom.draw() * 0x1p52);
    };
    const unsigned long long high = part(), low = part();
    std::seed_seq seed{static_cast<unsigned>(high),
                       static_cast<unsigned>(high >> 32),
                       static_cast<unsigned>(low),
                       static_cast<unsigned>(low >> 32)};
    m_engine.seed(seed);
}

std::unique_ptr<RandomSource> RandomSource::forAnotherThread()
{
    return std::make_unique<SystemRandom>(*this);
}

double SystemRandom::draw()
{
    double value = m_uniform(m_engine);
    // Some library versions can return the upper bound itself.
    return value < 1.0 ? value : std::nextafter(1.0, 0.0);
}

long long roundHalfEven(double value)
{
    return static_cast<long long>(std::rint(value));
}

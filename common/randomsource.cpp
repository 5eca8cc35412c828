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

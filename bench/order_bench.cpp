// Building a test's question order: median time over several runs for each list size.
// Usage: order_bench [sizes...]   (default 32767 1000000)
#include "common/randomsource.h"
#include "testsetup/questionorder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <algorithm>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    QStringList sizes = QCoreApplication::arguments().mid(1);
    if (sizes.isEmpty())
        sizes = {QStringLiteral("32767"), QStringLiteral("1000000")};
    SystemRandom random;
    for (const QString &size : sizes) {
        const int count = size.toInt();
        const int runs = count > 100000 ? 7 : 51;
        std::vector<double> times;
        long long checksum = 0;
        for (int run = 0; run < runs; ++run) {
            QElapsedTimer timer;
            timer.start();
            const std::vector<int> order = buildQuestionOrder(count, random);
            times.push_back(timer.nsecsElapsed() / 1e6);
            checksum += order.front();
        }
        std::sort(times.begin(), times.end());
        std::printf("question order for %d entries: median %.2f ms (min %.2f, max %.2f) [%lld]\n",
                    count,
                    times[times.size() / 2],
                    times.front(),
                    times.back(),
                    checksum % 10);
    }
    return 0;
}

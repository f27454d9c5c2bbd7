// Matches 100,000 file names against name masks, short and very long, and
// prints the time for each: a mask of thousands of characters must cost about
// what "*.txt" costs.
//
//   build/bench/bench_wildcard [names=100000]
#include "Wildcard.h"

#include <QElapsedTimer>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    std::vector<QString> names;
    names.reserve(count);
    for (int i = 0; i < count; ++i) names.push_back(QString::asprintf("file%06d.%s", i, i % 3 ? "txt" : "dat"));

    auto repeat = [](const char* unit, int times, const char* tail) {
        QString s;
        for (int i = 0; i < times; ++i) s += QLatin1String(unit);
        return s + QLatin1String(tail);
    };
    struct Case { const char* label; QString mask; };
    const Case cases[] = {
        {"*.txt", QStringLiteral("*.txt")},
        {"f*0?.t*", QStringLiteral("f*0?.t*")},
        {"(*x) x 512 + q (1 KB)", repeat("*x", 512, "q")},
        {"(*x) x 2048 + q (4 KB)", repeat("*x", 2048, "q")},
        {"(*?) x 2048 (4 KB)", repeat("*?", 2048, "")},
        {"? x 4096", repeat("?", 4096, "")},
        {"(*f) x 2048 + *", repeat("*f", 2048, "*")},
    };
    std::printf("%d names\n%-26s %10s %10s\n", count, "mask", "matched", "ms");
    for (const Case& c : cases) {
        QElapsedTimer t;
        t.start();
        const Wildcard w(c.mask);
        int matched = 0;
        for (const QString& n : names) matched += w.matches(n) ? 1 : 0;
        std::printf("%-26s %10d %10.1f\n", c.label, matched, t.nsecsElapsed() / 1e6);
    }
    return 0;
}

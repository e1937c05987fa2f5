// The one summary line a benchmark prints for each target it measures, in a fixed shape that
// bench/run.sh gathers from every program into a single table:
//
//   RESULT name | figure | baseline | ratio | target | holds|MISSED
//
// The figure and the baseline are measured in the same run; the ratio says how they compare in the
// direction the target is stated in. Cells never contain '|'.
#pragma once

#include <QString>

#include <cstdio>

// A measured value with its unit, e.g. "412.3 ms" or "61234 records/s".
inline QString benchValue(double value, const char* unit, int decimals = 1)
{
    return QString::number(value, 'f', decimals) + QLatin1Char(' ') + QLatin1String(unit);
}

inline void printBenchResult(const QString& name, const QString& figure, const QString& baseline,
                             const QString& ratio, const QString& target, bool holds)
{
    std::printf("RESULT %s | %s | %s | %s | %s | %s\n", qPrintable(name), qPrintable(figure),
                qPrintable(baseline), qPrintable(ratio), qPrintable(target), holds ? "holds" : "MISSED");
    std::fflush(stdout);
}

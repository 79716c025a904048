// Times the post-processor engine: the whole text of a large tooling table
// through a five-line body with masks, tabs and a condition (what the live
// preview redoes at each tick), and number masks alone.
//
//   postpro-bench [tools] [repetitions]
#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <vector>

#include "exchange/ctarnengine.h"

namespace {

// CPU time of this thread: on a loaded machine the wall clock also counts
// the time other processes ran.
double cpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

const char kFormat[] = "<SD>\n"
                       "FN=+###0.000\n"
                       "SE=1\n"
                       "SN=10\n"
                       "PN=5\n"
                       "<ED>\n"
                       "%\n"
                       "O9000 (@W(20))\n"
                       "\n"
                       "<S>\n"
                       "N@N T^(@T:/000)@B(12)?(@R=0|X UNMEASURED;X@R)@B(30)Z@L\n"
                       "N@N@B(8)R^(@I:0.000)@B(20)A^(@A:##0.00)\n"
                       "N@N@B(8)D@R(*2)@B(24)(@D(16))\n"
                       "N@N@B(8)~100(-@L)@B(24)^(@X:0000.00)\n"
                       "N@N@B(8)?(@D(1)<M|GROUP A;GROUP B)\n"
                       "<E>\n"
                       "M30\n"
                       "%";

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
    const int reps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 30;

    QList<sRecUtensile> tools;
    // Values as a table holds them: the doubles of decimal texts.
    for (int t = 1; t <= count; ++t) {
        sRecUtensile r;
        r.T = t;
        r.R = t % 17 == 0 ? 0 : (10000 + t) / 1000.0;
        r.L = (10000 - t) / 100.0;
        r.X = r.R;
        r.I = 0.4;
        r.A = 93;
        r.D = QStringLiteral("%1-%2").arg(t % 3 ? "CNMG" : "VBMT").arg(t, 6, 10, QLatin1Char('0'));
        tools.append(r);
    }
    cTarnEngine engine;
    QString table = QStringLiteral("LARGE");
    engine.setTableName(table);
    engine.setTabAttiva(&tools);

    std::vector<double> ms, cpu;
    QElapsedTimer timer;
    QString text, error;
    for (int i = 0; i < reps; ++i) {
        const double cpuStart = cpuMs();
        timer.start();
        if (!engine.GeneraFilePP(QString::fromLatin1(kFormat), &text, &error)) {
            std::fprintf(stderr, "postpro-bench: %s\n", qPrintable(error));
            return 1;
        }
        ms.push_back(timer.nsecsElapsed() / 1e6);
        cpu.push_back(cpuMs() - cpuStart);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());

    const QString masks[] = {QStringLiteral("###0.000"), QStringLiteral("+##0.00"), QStringLiteral("**##0.0"),
                             QStringLiteral("0000.00")};
    QStringList numbers;
    for (int i = 0; i < 1000; ++i)
        numbers << QString::number((i - 500) * 1.237, 'f', 3);
    const int rounds = 1000;
    QString out;
    const double cpuStart = cpuMs();
    timer.start();
    for (int r = 0; r < rounds; ++r)
        for (int i = 0; i < numbers.size(); ++i)
            engine.FormattaNumero(numbers[i], masks[i & 3], &out, &error);
    const double seconds = timer.nsecsElapsed() / 1e9;
    const double cpuSeconds = (cpuMs() - cpuStart) / 1e3;

    std::printf("tools %d, repetitions %d, text %d characters\n", count, reps, int(text.size()));
    std::printf("generation: median %.2f ms, max %.2f ms; CPU median %.2f ms (goal <= 20 ms)\n", ms[ms.size() / 2],
                ms.back(), cpu[cpu.size() / 2]);
    std::printf("masks: %.2f million numbers/s; by CPU time %.2f million/s (goal >= 1)\n",
                rounds * numbers.size() / seconds / 1e6, rounds * numbers.size() / cpuSeconds / 1e6);
    return 0;
}

// The serial DNC line under large requests: a host on a pseudo-terminal sends
// each request as fast as the line takes it while a 10 ms timer in the
// program's thread notes how late it fires (how long that thread was held)
// and another thread samples the resident memory (at the start of each
// request and the most while it is taken).
//
//   dnc-bench line [MB of bytes without a line end, ...]   (default 1 5 10 30)
//   dnc-bench backlog [requests]     $? sent behind a $S of 100 000 tools by a
//                                    host that reads all the time (3000000)
//   dnc-bench flood [MB]             $? (30 MB) sent by a host that reads
//                                    only once it has sent all, or once its
//                                    writes have waited for a second
//   dnc-bench triggers [count]       the same with trigger bytes (1000000)
#include "LineBench.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>

#include <atomic>
#include <cstdio>
#include <thread>

#include <poll.h>
#include <unistd.h>

#include "axis/cAxisInterface.h"
#include "tooling/DncSerialService.h"
#include "shared/App.h"
#include "shared/SharedStruct.h"
#include "support/AxbLinkFixture.h"
#include "support/HoldProbe.h"
#include "support/PtyPeer.h"

namespace {

qint64 residentKb()
{
    QFile f("/proc/self/status");
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return 0;
}

struct Figures
{
    double seconds = 0;
    double holdSeconds = 0;
    double startMb = 0;
    double peakMb = 0;
    QByteArray reply;
    bool settingsReplaced = false;
};

// Sends request on the host side and waits until the reply ends with one of
// the bytes in `ends` (or the settings were replaced), at most timeoutS.
Figures run(PtyPeer &host, bool &settingsSeen, const QByteArray &request, const QByteArray &ends, int timeoutS)
{
    Figures f;
    settingsSeen = false;
    host.readAvailable();
    const qint64 baseKb = residentKb();
    std::atomic<qint64> peakKb{baseKb};
    std::atomic<bool> stop{false};
    std::thread sampler([&] {
        while (!stop) {
            peakKb = std::max<qint64>(peakKb, residentKb());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    std::atomic<bool> written{false};
    std::thread writer([&] {
        host.write(request, 60000);
        written = true;
    });

    QElapsedTimer clock;
    HoldProbe probe;
    clock.start();
    probe.start();
    const auto done = [&] {
        if (settingsSeen)
            return true;
        return !f.reply.isEmpty() && ends.contains(f.reply.back());
    };
    // The program takes every byte the host sends: the figures are those of
    // the whole exchange.
    while ((!done() || !written) && clock.elapsed() < timeoutS * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        f.reply += host.readAvailable();
    }
    f.seconds = clock.elapsed() / 1000.0;
    const qint64 worst = probe.longestMs();
    writer.join();
    stop = true;
    sampler.join();
    f.holdSeconds = worst / 1000.0;
    f.startMb = baseKb / 1024.0;
    f.peakMb = peakKb / 1024.0;
    f.settingsReplaced = settingsSeen;
    return f;
}

QByteArray toolLines(int tools, int first = 1, const QByteArray &code = "C")
{
    QByteArray lines;
    lines.reserve(tools * 16);
    for (int i = first; i < first + tools; ++i)
        lines += QByteArray::number(i) + ",0,0,0,0," + code + ", \n";
    return lines;
}

const char *replyName(const Figures &f)
{
    if (f.settingsReplaced)
        return "settings replaced";
    if (f.reply.isEmpty())
        return "no reply";
    switch (f.reply.back()) {
    case 0x06: return "ACK";
    case 0x15: return "NAK";
    case 0x04: return "rows + EOT";
    default: return "other";
    }
}

void print(const char *what, const Figures &f)
{
    std::printf("%-34s %-18s total %7.2f s  longest hold %7.3f s  resident %6.1f MB, at most %6.1f MB\n", what,
                replyName(f), f.seconds, f.holdSeconds, f.startMb, f.peakMb);
    std::fflush(stdout);
}

} // namespace

namespace {

// The line, its database (machine M, tables BIG of 200 000 tools and HUNDRED of
// 100 000) and a board that answers; false when any of it is missing.
bool prepare(AxbLinkFixture &fixture, PtyPeer &host, int trigger)
{
    fixture.setting("/TTY/DncPort", host.slavePath());
    fixture.setting("/TTY/CharDnc", trigger);
    fixture.setting("/Database/Name", fixture.workDir.filePath("bench.db"));
    App::kovraSettings().sync();
    if (!host.isValid() || !openDatabase()) {
        std::fprintf(stderr, "dnc-bench: no pseudo-terminal or database\n");
        return false;
    }
    QSqlQuery q;
    q.exec("INSERT INTO machine (name) VALUES ('M')");
    q.exec("INSERT INTO toolingTables (idMachine, name) VALUES (1, 'BIG')");
    QSqlDatabase::database().transaction();
    q.prepare("INSERT INTO tools (idTable, t, x, z, code) VALUES (1, ?, 12.5, 100.25, 'CODE')");
    for (int i = 1; i <= 200000; ++i) {
        q.addBindValue(i);
        q.exec();
    }
    q.exec("INSERT INTO toolingTables (idMachine, name) VALUES (1, 'HUNDRED')");
    q.exec("WITH RECURSIVE n(t) AS (SELECT 1 UNION ALL SELECT t+1 FROM n WHERE t<100000) "
           "INSERT INTO tools (idTable, t, x, z, code) SELECT 2, t, 12.5, 100.25, 'CODE' FROM n");
    QSqlDatabase::database().commit();

    fixture.board.setCounts(12500, 100000);
    fixture.board.setReferenced(true);
    fixture.start();
    enableToolingup = true;
    CurrentMachine.name = "M";
    // Positions go out once the board answered.
    QElapsedTimer wait;
    wait.start();
    while (fixture.link->linesUsed() == 0 && wait.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return fixture.link->linesUsed() > 0;
}

// What a host that sends `requests` requests reads back: each reply whole (an
// ACK, or a line up to its CR), refused (NAK, after what came of a cut line),
// or missing.
struct Replies
{
    qint64 whole = 0;
    qint64 refused = 0;
    QByteArray partial;
    qint64 count() const { return whole + refused; }
    void take(const char *bytes, ssize_t n)
    {
        for (ssize_t i = 0; i < n; ++i) {
            const char c = bytes[i];
            if (c == 0x06 && partial.isEmpty()) {
                ++whole;
            } else if (c == 0x15) {
                ++refused;
                partial.clear();
            } else if (c == '\r') {
                ++whole;
                partial.clear();
            } else {
                partial += c;
            }
        }
    }
};

// Figures of a host that sends and reads in threads of its own while the
// program's thread runs its event loop.
struct Exchange
{
    double seconds = 0;
    double holdSeconds = 0;
    double startMb = 0;
    double peakMb = 0;
    double unreadSeconds = 0; // how long the host did not read
    qint64 requests = 0;
    Replies replies;
    qint64 tableRows = 0; // rows before the EOT (backlog only)
};

void print(const char *what, const Exchange &e)
{
    std::printf("%-44s total %7.2f s  longest hold %6.3f s  resident %6.1f MB, at most %7.1f MB (+%.1f)\n", what,
                e.seconds, e.holdSeconds, e.startMb, e.peakMb, e.peakMb - e.startMb);
    std::printf("%-44s replies %lld of %lld: %lld whole, %lld refused, %lld missing", "", e.replies.count(),
                e.requests, e.replies.whole, e.replies.refused, e.requests - e.replies.count());
    if (e.tableRows > 0)
        std::printf("; %lld table rows before the EOT", e.tableRows);
    if (e.unreadSeconds > 0)
        std::printf("; the host did not read for %.2f s", e.unreadSeconds);
    std::printf("\n");
    std::fflush(stdout);
}

// Sends head and then `count` times request. With `readAll` the host reads
// all the time (a table's rows up to its EOT, then the replies); otherwise it
// reads nothing until it has sent all, or until its writes have waited for a
// second, and then reads the replies.
Exchange exchange(PtyPeer &host, const QByteArray &head, const QByteArray &request, qint64 count, bool readAll)
{
    Exchange e;
    e.requests = count;
    host.readAvailable();
    const qint64 baseKb = residentKb();
    std::atomic<qint64> peakKb{baseKb};
    std::atomic<bool> stop{false};
    std::thread sampler([&] {
        while (!stop) {
            peakKb = std::max<qint64>(peakKb, residentKb());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    QElapsedTimer clock;
    clock.start();
    std::atomic<qint64> sentMs{-1};
    std::atomic<qint64> lastProgressMs{0};
    std::thread writer([&] {
        QByteArray piece = head;
        const int perPiece = qMax(1, (64 * 1024) / request.size());
        for (qint64 sent = 0; sent < count;) {
            const qint64 n = qMin<qint64>(perPiece, count - sent);
            piece += request.repeated(int(n));
            if (!host.write(piece, 600000))
                break;
            sent += n;
            piece.clear();
            lastProgressMs = clock.elapsed();
        }
        sentMs = clock.elapsed();
    });
    std::atomic<bool> done{false};
    std::atomic<qint64> unreadMs{0};
    std::thread reader([&] {
        if (!readAll) {
            while (sentMs < 0 && clock.elapsed() - lastProgressMs < 1000)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            unreadMs = clock.elapsed();
        }
        bool table = !head.isEmpty();
        qint64 quietSince = clock.elapsed();
        char buf[65536];
        while (e.replies.count() < count && clock.elapsed() - quietSince < 20000) {
            pollfd p{host.masterFd(), POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t n = ::read(host.masterFd(), buf, sizeof buf);
            if (n <= 0)
                continue;
            quietSince = clock.elapsed();
            ssize_t from = 0;
            if (table) {
                for (; from < n && table; ++from) {
                    if (buf[from] == '\n')
                        ++e.tableRows;
                    else if (buf[from] == 0x04)
                        table = false;
                }
            }
            e.replies.take(buf + from, n - from);
        }
        done = true;
    });
    HoldProbe probe;
    probe.start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    e.seconds = clock.elapsed() / 1000.0;
    e.holdSeconds = probe.longestMs() / 1000.0;
    // A host whose requests went unanswered still has to end its writes.
    while (sentMs < 0) {
        host.readAvailable();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    writer.join();
    reader.join();
    stop = true;
    sampler.join();
    e.startMb = baseKb / 1024.0;
    e.peakMb = peakKb / 1024.0;
    e.unreadSeconds = readAll ? 0 : unreadMs / 1000.0;
    return e;
}

// The count given as the first argument, or the default.
qint64 countArg(const QStringList &args, qint64 fallback)
{
    const qint64 n = args.value(0).toLongLong();
    return n > 0 ? n : fallback;
}

// One exchange on a fresh link: `count` requests after `lead`, with the
// host reading all the time or not at all.
int lineRun(const QString &what, int trigger, const QByteArray &lead, const QByteArray &request, qint64 count,
            bool hostReads)
{
    PtyPeer host;
    AxbLinkFixture fixture(AxbLinkFixture::Options{50, true, false});
    if (!prepare(fixture, host, trigger))
        return 1;
    print(qPrintable(what), exchange(host, lead, request, count, hostReads));
    return 0;
}

} // namespace

int runBacklogBench(const QStringList &args)
{
    const qint64 requests = countArg(args, 3000000);
    return lineRun(QString("%1 $? behind a $S of 100000 tools").arg(requests), 0, "$SM/HUNDRED\r", "$?\r", requests,
                   true);
}

int runFloodBench(const QStringList &args)
{
    const qint64 mb = countArg(args, 30);
    return lineRun(QString("%1 MB of $?, host not reading").arg(mb), 0, QByteArray(), "$?\r", mb * 1024 * 1024 / 3,
                   false);
}

int runTriggerBench(const QStringList &args)
{
    const qint64 triggers = countArg(args, 1000000);
    return lineRun(QString("%1 trigger bytes, host not reading").arg(triggers), 2, QByteArray(), "\x02", triggers,
                   false);
}

int runLineBench(const QStringList &args)
{
    QList<int> sizes;
    for (const QString &a : args)
        if (a.toInt() > 0)
            sizes << a.toInt();
    if (sizes.isEmpty())
        sizes = {1, 5, 10, 30};

    PtyPeer host;
    AxbLinkFixture fixture(AxbLinkFixture::Options{50, true, false});
    if (!prepare(fixture, host, 0))
        return 1;
    bool settingsSeen = false;
    QObject::connect(fixture.dnc.get(), &DncSerialService::sigUpdateSettings, [&settingsSeen] { settingsSeen = true; });
    const QByteArray ends("\x06\x15\x04");

    print("$? (line works)", run(host, settingsSeen, "$?\r", ends, 10));
    for (int mb : sizes) {
        const QByteArray junk = QByteArray(mb * 1024 * 1024, 'x') + '\r';
        print(qPrintable(QString("%1 MB without a line end").arg(mb)), run(host, settingsSeen, junk, ends, 600));
    }
    QByteArray ini = "[Machine]\nisMM=true\n[Host]\n";
    int n = 0;
    while (ini.size() < 20 * 1024 * 1024)
        ini += "key" + QByteArray::number(n++) + "=0123456789012345678901234567890123456789\n";
    print("$N with 20 MB", run(host, settingsSeen, "$N" + ini + '\r', ends, 600));
    print("$I with 10000 tools (the limit)", run(host, settingsSeen, "$I@M@NEW@" + toolLines(10000) + "@\r", ends, 600));
    print("$I with 200000 tools", run(host, settingsSeen, "$I@M@NEW@" + toolLines(200000) + "@\r", ends, 600));
    print("$I with 1000000 tools", run(host, settingsSeen, "$I@M@NEW@" + toolLines(1000000) + "@\r", ends, 600));
    print("$S of a 200000-tool table", run(host, settingsSeen, "$SM/BIG\r", ends, 600));
    QByteArray ini4 = "[Machine]\nisMM=true\n[Host]\n";
    while (ini4.size() < 4000 * 1024)
        ini4 += "key" + QByteArray::number(n++) + "=0123456789012345678901234567890123456789\n";
    print("$N with 3.9 MB", run(host, settingsSeen, "$N" + ini4 + '\r', ends, 600));
    print("$I with a 3.9 MB code", run(host, settingsSeen, "$I@M@NEW@1,0,0,0,0," + QByteArray(4000 * 1024, 'c') + ", \n@\r", ends, 600));
    print("$I 2000 codes with ?, over 100000",
          run(host, settingsSeen, "$I@M@HUNDRED@" + toolLines(2000, 200001, "C?") + "@\r", ends, 600));
    print("$I replacing the 200000-tool table", run(host, settingsSeen, "$I@M@BIG@" + toolLines(10000) + "@\r", ends, 600));
    return 0;
}

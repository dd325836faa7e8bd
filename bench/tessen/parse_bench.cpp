// Parse throughput of CTerminalScreen against libvterm on identical streams:
// the router's status repaints (escape-heavy) and plain text. Both are fed in
// segment-sized chunks, as the connection delivers them.

#include "tessen/screen.h"

#include <vterm.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

namespace {

constexpr std::size_t kStreamBytes = 8u << 20;
constexpr std::size_t kChunk = 1460;
constexpr double kRepaintGoal = 12;

std::string at(int row, int column) { return "\x1b[" + std::to_string(row) + ";" + std::to_string(column) + "H"; }

// A login, the main menu, then status screens repainted field by field the
// way the router does every few seconds, with a full repaint now and then.
std::string routerStream()
{
    std::mt19937 random(20260);
    std::string s = "\xff\xfb\x01\xff\xfb\x03\xff\xfd\x18\xff\xfd\x1f";
    const char* menu[] = {"Main Menu", "Getting Started", "1. General Setup", "2. ISDN Setup",
                          "3. Ethernet Setup", "4. Internet Access Setup", "Advanced Applications",
                          "11. Remote Node Setup", "12. Static Routing Setup", "15. SUA Server Setup",
                          "Advanced Management", "21. Filter Set Configuration", "22. SNMP Configuration",
                          "23. System Password", "24. System Maintenance", "99. Exit"};
    while (s.size() < kStreamBytes) {
        s += "\x1b[2J";
        for (int i = 0; i < 16; ++i)
            s += at(3 + i, i < 8 ? 4 : 42) + menu[i];
        s += at(21, 13) + "Enter Menu Selection Number:" + at(21, 42);
        s += "\x1b[2J" + at(1, 26) + "Menu 24.1 - System Maintenance - Status" + at(3, 3) +
             "Port  Status     Type   TXPkts  RXPkts  Errs  Tx B/s  Rx B/s  Up Time" + at(4, 3) +
             "----  ---------  -----  ------  ------  ----  ------  ------  --------";
        for (int repaint = 0; repaint < 40 && s.size() < kStreamBytes; ++repaint) {
            for (int line = 0; line < 2; ++line) {
                const int row = 5 + line;
                s += at(row, 3) + std::to_string(line + 1) + at(row, 9) + (random() % 3 ? "64K/Call" : "Idle") +
                     "\x1b[K" + at(row, 20) + "Sync";
                s += at(row, 27) + std::to_string(random() % 1000000) + at(row, 35) +
                     std::to_string(random() % 1000000) + at(row, 43) + "0" + at(row, 49) +
                     std::to_string(random() % 8000) + at(row, 57) + std::to_string(random() % 8000) + at(row, 65) +
                     "0:0" + std::to_string(random() % 10) + ":" + std::to_string(10 + random() % 50);
            }
            s += at(9, 3) + "Ethernet:" + at(10, 5) + "Status: 10M/Half Duplex" + at(10, 34) +
                 "TX Pkts: " + std::to_string(random() % 100000) + "\x1b[K" + at(11, 34) +
                 "RX Pkts: " + std::to_string(random() % 100000) + "\x1b[K";
            s += at(14, 3) + "Name: P128Plus" + at(15, 3) + "Routing: IP/Bridge" + at(17, 3) +
                 "Press Command:" + at(19, 3) + "COMMANDS: 1-Drop B1  2-Drop B2  3-Reset Counters  ESC-Exit" +
                 at(17, 18);
        }
    }
    s.resize(kStreamBytes);
    return s;
}

std::string plainStream()
{
    std::mt19937 random(7);
    const std::string words[] = {"router", "line", "status", "call", "ISDN", "channel", "bytes", "the", "of", "B1",
                                 "remote", "node", "packet", "filter", "syslog", "up", "down", "time"};
    std::string s;
    while (s.size() < kStreamBytes) {
        std::string line;
        while (line.size() < 60)
            line += words[random() % std::size(words)] + " ";
        s += line + "\r\n";
    }
    s.resize(kStreamBytes);
    return s;
}

using Clock = std::chrono::steady_clock;

// Best of a few rounds; each round parses the stream at least once and for at
// least a quarter of a second.
template <typename Feed>
double megabytesPerSecond(const std::string& stream, Feed feed)
{
    double best = 0;
    for (int round = 0; round < 5; ++round) {
        std::size_t bytes = 0;
        const auto start = Clock::now();
        double seconds = 0;
        do {
            for (std::size_t at = 0; at < stream.size(); at += kChunk)
                feed(stream.data() + at, std::min(kChunk, stream.size() - at));
            bytes += stream.size();
            seconds = std::chrono::duration<double>(Clock::now() - start).count();
        } while (seconds < 0.25);
        best = std::max(best, double(bytes) / 1e6 / seconds);
    }
    return best;
}

volatile unsigned sink = 0;  // keeps the work observable

double korvane(const std::string& stream)
{
    CTerminalScreen screen(24, 80);
    const double rate = megabytesPerSecond(stream, [&](const char* data, std::size_t size) { screen.Parse(data, size); });
    sink = sink + unsigned(screen.CursorRow() + screen.CursorColumn() + screen.Cells()[100]);
    return rate;
}

double libvterm(const std::string& stream)
{
    VTerm* vt = vterm_new(24, 80);
    vterm_set_utf8(vt, 0);  // the router speaks single-byte text
    VTermScreen* screen = vterm_obtain_screen(vt);
    vterm_screen_reset(screen, 1);
    const double rate =
        megabytesPerSecond(stream, [&](const char* data, std::size_t size) { vterm_input_write(vt, data, size); });
    VTermPos cursor;
    vterm_state_get_cursorpos(vterm_obtain_state(vt), &cursor);
    sink = sink + unsigned(cursor.row + cursor.col);
    vterm_free(vt);
    return rate;
}

}  // namespace

int main()
{
    const std::pair<const char*, std::string> streams[] = {
        {"router repaints (escape-heavy)", routerStream()}, {"plain text", plainStream()}};
    bool met = true;
    for (const auto& [name, stream] : streams) {
        const double ours = korvane(stream);
        const double theirs = libvterm(stream);
        // Router repaints are what the monitor parses all day: they have a goal.
        const bool repaints = &stream == &streams[0].second;
        char goal[64] = "";
        if (repaints) {
            std::snprintf(goal, sizeof goal, " (goal: at least %.0f× faster)", kRepaintGoal);
            met = met && ours >= kRepaintGoal * theirs;
        }
        // One row of the benchmark table: Benchmark | Measure | Korvane | Peer | Ratio.
        std::printf("report: Terminal Parse | %s, %zu-byte chunks, best of 5 | %.1f MB/s | libvterm %.1f MB/s | "
                    "%.2f× %s%s\n",
                    name, kChunk, ours, theirs, ours >= theirs ? ours / theirs : theirs / ours,
                    ours >= theirs ? "faster" : "slower", goal);
    }
    if (!met)
        std::fprintf(stderr, "bench_tessen_parse: router repaints parse below the goal\n");
    return 0;
}

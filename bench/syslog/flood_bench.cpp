// Floods the syslog view with datagrams over loopback and reports how many
// reached the controller's hand-over, how often the text box was rebuilt and
// the longest the event loop went without running a timer.
//
//   bench_syslog_flood [rate per second = 10000] [seconds = 10]

#include "components/syslog/syslog_receiver.h"
#include "korvane/views/syslog_view.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QUdpSocket>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int rate = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 1000000) : 10000;
    const int seconds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 600) : 10;

    korvane::CSyslogView view;
    view.resize(800, 600);
    view.show();
    long handed = 0;
    view.setSource({[] { return QStringLiteral("127.0.0.1"); }, [] { return 0; }});
    view.setMessageHandler([&](const QString&) { ++handed; });
    long errors = 0;
    QString lastError;
    view.setErrorHandler([&](const QString& text) { ++errors, lastError = text; });
    view.OnInitialUpdate();
    auto* receiver = qobject_cast<syslog::CSyslogReceiver*>(view.syslog()->receiver());
    if (!receiver || !receiver->isListening()) {
        std::fprintf(stderr, "the receiver is not listening\n");
        return 1;
    }
    const quint16 port = quint16(receiver->boundPort());

    long refreshes = 0;
    QObject::connect(&view, &QPlainTextEdit::textChanged, [&] { ++refreshes; });

    // The longest gap between two 10 ms ticks: how long the window could not
    // have answered the user.
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0, longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    ticker.start();

    std::atomic<long> sent{0};
    std::atomic<bool> done{false};
    std::thread sender([&] {
        QUdpSocket socket;
        const QHostAddress to(QHostAddress::LocalHost);
        const auto start = std::chrono::steady_clock::now();
        const long total = long(rate) * seconds;
        for (long i = 0; i < total; ++i) {
            // Paced in 1 ms steps so the rate holds over the whole run.
            const auto due = start + std::chrono::microseconds(i * 1000000 / rate);
            std::this_thread::sleep_until(due);
            const QByteArray datagram =
                "<14>Dec  8 10:53:07 P128 kernel: flood message " + QByteArray::number(qlonglong(i));
            if (socket.writeDatagram(datagram, to, port) > 0)
                ++sent;
        }
        done = true;
    });

    // The program's own event loop, as the monitor runs it, until the sender
    // is done and the receiver has drained (bounded).
    QElapsedTimer drain;
    long lastHanded = -1;
    QTimer watch;
    watch.setInterval(100);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (!done)
            return;
        if (!drain.isValid() || handed != lastHanded)
            drain.start();
        lastHanded = handed;
        if ((drain.elapsed() > 500 && !view.refreshPending()) || drain.elapsed() > 10000)
            app.quit();
    });
    watch.start();
    app.exec();
    sender.join();

    // Rows of the benchmark table: Benchmark | Measure | Korvane | Peer | Ratio.
    std::printf("report: Syslog flood | datagrams sent over loopback, %d/s for %d s | %ld | | \n", rate, seconds,
                sent.load());
    std::printf("report: Syslog flood | handed to the controller | %ld (%.1f %% of sent) | | \n", handed,
                sent ? 100.0 * double(handed) / double(sent.load()) : 0.0);
    std::printf("report: Syslog flood | text box rebuilds; log lines kept | %ld; %d lines | | \n", refreshes,
                view.lineCount());
    std::printf("report: Syslog flood | longest event loop gap (10 ms timer; goal ≤ 50 ms) | %lld ms | | \n", qlonglong(longestGap));
    std::printf("report: Syslog flood | receiver errors | %ld%s%s | | \n", errors, errors ? ", last: " : "",
                qPrintable(QString(lastError).replace(QLatin1Char('|'), QLatin1Char('/'))));
    view.StopListening();
    return 0;
}

// The simulator runs on the monitor's thread in these tests, so a reconnect's
// close and its new connection reach it together. The new one may not be
// turned away as a second session because the old end was seen later.
#include "fault_monitor.h"

#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace korvane::test;

namespace {

int connectTo(quint16 port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    EXPECT_EQ(::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    return fd;
}

}  // namespace

TEST(SimulatorReconnect, ACloseAndANewConnectionNoticedTogetherStartANewSession) {
    prestige::Simulator router(quickRouter());
    ASSERT_TRUE(router.listen(0));
    int started = 0;
    int refused = 0;
    QObject::connect(&router, &prestige::Simulator::sessionStarted, [&] { ++started; });
    QObject::connect(&router, &prestige::Simulator::connectionRefused, [&] { ++refused; });

    const int first = connectTo(router.port());
    ASSERT_TRUE(waitUntil([&] { return started == 1; }));
    // No event loop between the close and the next connect, as in a reconnect.
    ::shutdown(first, SHUT_WR);
    ::close(first);
    QThread::msleep(20);
    const int second = connectTo(router.port());
    ASSERT_TRUE(waitUntil([&] { return started == 2 || refused > 0; }));
    EXPECT_EQ(started, 2);
    EXPECT_EQ(refused, 0);
    EXPECT_TRUE(router.hasSession());

    // A session whose peer is still there keeps the terminal to itself.
    const int third = connectTo(router.port());
    EXPECT_TRUE(waitUntil([&] { return refused == 1; }));
    EXPECT_EQ(started, 2);
    ::close(third);
    ::close(second);
}

#include "loopback.h"
#include "tessen/socket_errors.h"
#include "tessen/telnet_client.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Recorder : CTelnetClient::Listener {
    void OnTelnetData(const QByteArray& chunk) override
    {
        data += chunk;
        trace.push_back("data");
    }
    void OnTelnetChange() override { trace.push_back("change"); }
    QByteArray data;
    std::vector<std::string> trace;
};

}  // namespace

TEST(SocketErrorsTest, MessagesBeginWithTheShortNameAndUnlistedCodesAreDigits)
{
    EXPECT_EQ(tessen::socketErrorText(10022), QStringLiteral("Invalid argument. Some invalid argument was supplied."));
    EXPECT_EQ(tessen::socketErrorText(10053),
              QStringLiteral("Software caused connection abort.An established connection was aborted by the software "
                             "in your host machine, possibly due to a data transmission time-out or protocol error."));
    EXPECT_EQ(tessen::socketErrorText(10054),
              QStringLiteral("Connection reset by peer. A existing connection was forcibly closed by the remote host."));
    EXPECT_EQ(tessen::socketErrorText(11001), QStringLiteral("Host not found. No such host is known."));
    EXPECT_TRUE(tessen::socketErrorText(10013).startsWith(QLatin1String("Permission denied. ")));
    EXPECT_TRUE(tessen::socketErrorText(10047).startsWith(
        QLatin1String("Address family not supported by protocol family. ")));
    EXPECT_EQ(tessen::socketErrorText(10009), QStringLiteral("Bad f."));
    EXPECT_EQ(tessen::socketErrorText(10071), QStringLiteral("Remote."));
    EXPECT_EQ(tessen::socketErrorText(10035), QStringLiteral("10035"));
    EXPECT_EQ(tessen::socketErrorText(12345), QStringLiteral("12345"));
    EXPECT_EQ(tessen::socketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(tessen::socketErrorFromErrno(EPIPE), 10058);
    EXPECT_EQ(tessen::socketErrorFromErrno(EAGAIN), 10035);
}

TEST(TelnetClientTest, AddressesWithAPortAndMalformedOnes)
{
    Recorder recorder;
    for (const char* bad : {"", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "127.0.0.1:23x", ":23",
                            "127.0.0.1:-5"}) {
        CTelnetClient client(&recorder);
        ASSERT_TRUE(client.Create());
        EXPECT_FALSE(client.Connect(QString::fromLatin1(bad))) << bad;
        EXPECT_EQ(client.GetLastError(), tessen::kInvalidArgument) << bad;
    }
    // A name whose label is too long for DNS never leaves this machine.
    CTelnetClient client(&recorder);
    ASSERT_TRUE(client.Create());
    EXPECT_FALSE(client.Connect(QString(70, QLatin1Char('x')) + QStringLiteral(".invalid")));
    EXPECT_EQ(client.GetLastError(), tessen::kInvalidArgument);
}

TEST(TelnetClientTest, ConnectGivesUpAfterItsWaitLimitWithTimedOut)
{
    // A listener whose accept queue is full drops further SYNs, so the next
    // connect stays pending on loopback.
    LoopbackServer server(0);
    std::vector<int> fillers;
    for (int i = 0; i < 4; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(server.port());
        ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
        fillers.push_back(fd);
    }
    QThread::msleep(50);
    Recorder recorder;
    CTelnetClient client(&recorder);
    client.SetWaitLimit(300);
    ASSERT_TRUE(client.Create());
    const bool connected = client.Connect(server.address());
    for (int fd : fillers)
        ::close(fd);
    if (connected)
        GTEST_SKIP() << "this kernel accepted past the listen backlog";
    EXPECT_EQ(client.GetLastError(), tessen::kTimedOut);
}

TEST(TelnetClientTest, ResetArrivesAsTheByteOne)
{
    LoopbackServer server;
    Recorder recorder;
    CTelnetClient client(&recorder);
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Connect(server.address()));
    ASSERT_TRUE(server.accept());
    server.resetPeer();
    ASSERT_TRUE(pumpUntil([&] { return !recorder.data.isEmpty(); }));
    EXPECT_EQ(recorder.data, QByteArray("\x01"));
    EXPECT_EQ(client.Screen().GetBuffer(1, 1, 1), QByteArray("\x01"));
    // The closed socket does not keep notifying.
    pumpBriefly();
    EXPECT_EQ(recorder.trace.size(), 2u);
}

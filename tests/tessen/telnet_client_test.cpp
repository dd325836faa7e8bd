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

TEST(SocketErrorsTest, EveryListedCodeHasItsShortNameFirst)
{
    const std::pair<int, const char*> shortNames[] = {
        {10004, "Interrupted function call"}, {10013, "Permission denied"}, {10014, "Bad address"},
        {10024, "Too many open files"}, {10036, "Operation now in progress"},
        {10037, "Operation already in progress"}, {10038, "Socket operation on non-socket"},
        {10039, "Destination address required"}, {10040, "Message too long"},
        {10041, "Protocol wrong type for socket"}, {10042, "Bad protocol option"},
        {10043, "Protocol not supported"}, {10044, "Socket type not supported"},
        {10045, "Operation not supported"}, {10046, "Protocol family not supported"},
        {10047, "Address family not supported by protocol family"}, {10048, "Address already in use"},
        {10049, "Cannot assign requested address"}, {10052, "Network dropped connection on reset"},
        {10055, "No buffer space available"}, {10056, "Socket is already connected"},
        {10058, "Cannot send after socket shutdown"}, {10067, "Too many processes"},
        {10091, "Network subsystem is unavailable"}, {10092, "WINSOCK.DLL version out of range"},
        {10093, "Successful WSAStartup not yet performed"}, {10101, "Graceful shutdown in progress"},
        {11002, "Non-authoritative host not found"}, {11003, "This is a non-recoverable error"},
        {11004, "Valid name, no data record of requested type"},
    };
    for (const auto& [code, name] : shortNames) {
        const QString text = tessen::socketErrorText(code);
        EXPECT_TRUE(text.startsWith(QLatin1String(name) + QLatin1String(". "))) << code << " " << text.toStdString();
        EXPECT_GT(text.size(), qsizetype(strlen(name)) + 10) << code;
    }
    const std::pair<int, const char*> shortRows[] = {
        {10009, "Bad f."}, {10059, "Too many refs."}, {10062, "Loop."},  {10063, "Name too long."},
        {10066, "Not empty."}, {10068, "Users."},     {10069, "Dquot."}, {10070, "Stale."}, {10071, "Remote."},
    };
    for (const auto& [code, text] : shortRows)
        EXPECT_EQ(tessen::socketErrorText(code), QLatin1String(text)) << code;
}

TEST(SocketErrorsTest, TheRowsUsersMeetAreWordForWord)
{
    EXPECT_EQ(tessen::socketErrorText(10022), QStringLiteral("Invalid argument. Some invalid argument was supplied."));
    EXPECT_EQ(tessen::socketErrorText(10053),
              QStringLiteral("Software caused connection abort.An established connection was aborted by the software "
                             "in your host machine, possibly due to a data transmission time-out or protocol error."));
    EXPECT_EQ(tessen::socketErrorText(10054),
              QStringLiteral("Connection reset by peer. A existing connection was forcibly closed by the remote host."));
    EXPECT_EQ(tessen::socketErrorText(10060),
              QStringLiteral("Connection timed out. A connection attempt failed because the connected party did not "
                             "properly respond after a period of time, or the established connection failed because "
                             "the connected host has failed to respond."));
    EXPECT_EQ(tessen::socketErrorText(10061), QStringLiteral("Connection refused. No connection could be made because "
                                                             "the target machine actively refused it."));
    EXPECT_EQ(tessen::socketErrorText(10065),
              QStringLiteral("No route to host. A socket operation was attempted to an unreachable host."));
    EXPECT_EQ(tessen::socketErrorText(11001), QStringLiteral("Host not found. No such host is known."));
    EXPECT_TRUE(tessen::socketErrorText(10050).startsWith(QLatin1String("Network is down. ")));
    EXPECT_TRUE(tessen::socketErrorText(10051).startsWith(QLatin1String("Network is unreachable. ")));
    EXPECT_TRUE(tessen::socketErrorText(10057).startsWith(QLatin1String("Socket is not connected. ")));
    EXPECT_TRUE(tessen::socketErrorText(10064).startsWith(QLatin1String("Host is down. ")));
}

TEST(SocketErrorsTest, CodesWithoutARowAreTheirDigitsAndErrnoMapsOntoTheCodes)
{
    EXPECT_EQ(tessen::socketErrorText(10035), QStringLiteral("10035"));
    EXPECT_EQ(tessen::socketErrorText(12345), QStringLiteral("12345"));
    EXPECT_EQ(tessen::socketErrorText(-7), QStringLiteral("-7"));
    EXPECT_EQ(tessen::socketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(tessen::socketErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(tessen::socketErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(tessen::socketErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(tessen::socketErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(tessen::socketErrorFromErrno(ENOTCONN), 10057);
    EXPECT_EQ(tessen::socketErrorFromErrno(EPIPE), 10058);
    EXPECT_EQ(tessen::socketErrorFromErrno(EAGAIN), 10035);
}

TEST(TelnetClientTest, QueuedOutputWaitsForTheFirstWritableNotification)
{
    LoopbackServer server;
    Recorder recorder;
    CTelnetClient client(&recorder);
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Connect(server.address()));
    ASSERT_TRUE(server.accept());
    EXPECT_EQ(client.Send("pass"), 0);
    EXPECT_EQ(client.Send("word\r"), 0);
    EXPECT_FALSE(client.IsReadyToSend());
    EXPECT_EQ(client.PendingOutput(), QByteArray("password\r"));
    EXPECT_TRUE(server.receiveAvailable().isEmpty());

    ASSERT_TRUE(pumpUntil([&] { return client.IsReadyToSend(); }));
    EXPECT_TRUE(client.PendingOutput().isEmpty());
    EXPECT_EQ(server.receive(9), QByteArray("password\r"));
    // From now on each send goes out at once.
    EXPECT_EQ(client.Send("1"), 1);
    EXPECT_EQ(server.receive(1), QByteArray("1"));
    EXPECT_TRUE(recorder.trace.empty());
}

TEST(TelnetClientTest, ReceivedChunksGoToTheControlThenTheScreen)
{
    LoopbackServer server;
    Recorder recorder;
    CTelnetClient client(&recorder);
    ASSERT_TRUE(client.Create());
    ASSERT_TRUE(client.Connect(server.address()));
    ASSERT_TRUE(server.accept());
    server.send(QByteArray("\xff\xfd\x18\x1b[2J\x1b[3;5HMenu 24", 20));
    ASSERT_TRUE(pumpUntil([&] { return recorder.data.size() == 20; }));
    EXPECT_EQ(recorder.trace.front(), "data");
    EXPECT_EQ(recorder.trace.back(), "change");
    EXPECT_EQ(client.Screen().GetBuffer(3, 5, 7), QByteArray("Menu 24"));
    EXPECT_EQ(client.Screen().CursorRow(), 3);
    EXPECT_EQ(client.Screen().CursorColumn(), 12);
    // No negotiation answer is ever sent.
    EXPECT_TRUE(server.receiveAvailable(50).isEmpty());
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

TEST(TelnetClientTest, AClosedSocketRefusesToSend)
{
    Recorder recorder;
    CTelnetClient client(&recorder);
    EXPECT_FALSE(client.Connect(QStringLiteral("127.0.0.1")));
    EXPECT_EQ(client.GetLastError(), 10038);
}

#include "automation/socket_errors.h"

#include <cerrno>

namespace automation {

namespace {

struct Message {
    int code;
    const char* text;
};

// Short name first, then what it means to the user; the texts users of the
// monitor meet are kept word for word as they have always read.
constexpr Message kMessages[] = {
    {10004, "Interrupted function call. A blocking operation was interrupted by a call to WSACancelBlockingCall."},
    {10009, "Bad f."},
    {10013, "Permission denied. An attempt was made to access a socket in a way forbidden by its access permissions."},
    {10014, "Bad address. The system detected an invalid pointer address in attempting to use a pointer argument "
            "in a call."},
    {10022, "Invalid argument. Some invalid argument was supplied."},
    {10024, "Too many open files. Too many open sockets."},
    {10036, "Operation now in progress. A blocking operation is currently executing."},
    {10037, "Operation already in progress. An operation was attempted on a nonblocking socket that already had an "
            "operation in progress."},
    {10038, "Socket operation on non-socket. An operation was attempted on something that is not a socket."},
    {10039, "Destination address required. A required address was omitted from an operation on a socket."},
    {10040, "Message too long. A message sent on a datagram socket was larger than the internal message buffer or "
            "some other network limit, or the buffer used to receive a datagram was smaller than the datagram "
            "itself."},
    {10041, "Protocol wrong type for socket. A protocol was specified in the socket function call that does not "
            "support the semantics of the socket type requested."},
    {10042, "Bad protocol option. An unknown, invalid, or unsupported option or level was specified in a getsockopt "
            "or setsockopt call."},
    {10043, "Protocol not supported. The requested protocol has not been configured into the system, or no "
            "implementation for it exists."},
    {10044, "Socket type not supported. The support for the specified socket type does not exist in this address "
            "family."},
    {10045, "Operation not supported. The attempted operation is not supported for the type of object referenced."},
    {10046, "Protocol family not supported. The protocol family has not been configured into the system or no "
            "implementation for it exists."},
    {10047, "Address family not supported by protocol family. An address incompatible with the requested protocol "
            "was used."},
    {10048, "Address already in use. Only one usage of each socket address (protocol/network address/port) is "
            "normally permitted."},
    {10049, "Cannot assign requested address. The requested address is not valid in its context."},
    {10050, "Network is down. A socket operation encountered a dead network."},
    {10051, "Network is unreachable. A socket operation was attempted to an unreachable network."},
    {10052, "Network dropped connection on reset. The connection has been broken due to keep-alive activity "
            "detecting a failure while the operation was in progress."},
    {10053, "Software caused connection abort.An established connection was aborted by the software in your host "
            "machine, possibly due to a data transmission time-out or protocol error."},
    {10054, "Connection reset by peer. A existing connection was forcibly closed by the remote host."},
    {10055, "No buffer space available. An operation on a socket could not be performed because the system lacked "
            "sufficient buffer space or because a queue was full."},
    {10056, "Socket is already connected. A connect request was made on an already connected socket."},
    {10057, "Socket is not connected. A request to send or receive data was disallowed because the socket is not "
            "connected and (when sending on a datagram socket using sendto) no address was supplied."},
    {10058, "Cannot send after socket shutdown. A request to send or receive data was disallowed because the socket "
            "had already been shut down in that direction with a previous shutdown call."},
    {10059, "Too many refs."},
    {10060, "Connection timed out. A connection attempt failed because the connected party did not properly respond "
            "after a period of time, or the established connection failed because the connected host has failed "
            "to respond."},
    {10061, "Connection refused. No connection could be made because the target machine actively refused it."},
    {10062, "Loop."},
    {10063, "Name too long."},
    {10064, "Host is down. A socket operation failed because the destination host is down."},
    {10065, "No route to host. A socket operation was attempted to an unreachable host."},
    {10066, "Not empty."},
    {10067, "Too many processes. A Windows Sockets implementation may have a limit on the number of applications "
            "that can use it simultaneously."},
    {10068, "Users."},
    {10069, "Dquot."},
    {10070, "Stale."},
    {10071, "Remote."},
    {10091, "Network subsystem is unavailable. The underlying system that provides network services is currently "
            "unavailable."},
    {10092, "WINSOCK.DLL version out of range. The Windows Sockets implementation does not support the version "
            "requested by the application."},
    {10093, "Successful WSAStartup not yet performed. Either the application has not called WSAStartup or "
            "WSAStartup failed."},
    {10101, "Graceful shutdown in progress. The remote party has initiated a graceful shutdown sequence."},
    {11001, "Host not found. No such host is known."},
    {11002, "Non-authoritative host not found. This is usually a temporary error during host name resolution and "
            "means that the local server did not receive a response from an authoritative server."},
    {11003, "This is a non-recoverable error. A nonrecoverable error occurred during a database lookup."},
    {11004, "Valid name, no data record of requested type. The requested name is valid and was found in the "
            "database, but it does not have the correct associated data being resolved for."},
};

struct Mapping {
    int errnoValue;
    int code;
};

constexpr Mapping kErrnoMap[] = {
    {EINTR, 10004},        {EBADF, 10009},           {EACCES, 10013},          {EPERM, 10013},
    {EFAULT, 10014},       {EINVAL, 10022},          {EMFILE, 10024},          {ENFILE, 10024},
    {EWOULDBLOCK, 10035},  {EAGAIN, 10035},          {EINPROGRESS, 10036},     {EALREADY, 10037},
    {ENOTSOCK, 10038},     {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},
    {ENOPROTOOPT, 10042},  {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},
    {EPFNOSUPPORT, 10046}, {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049},
    {ENETDOWN, 10050},     {ENETUNREACH, 10051},     {ENETRESET, 10052},       {ECONNABORTED, 10053},
    {ECONNRESET, 10054},   {ENOBUFS, 10055},         {ENOMEM, 10055},          {EISCONN, 10056},
    {ENOTCONN, 10057},     {ESHUTDOWN, 10058},       {EPIPE, 10058},           {ETOOMANYREFS, 10059},
    {ETIMEDOUT, 10060},    {ECONNREFUSED, 10061},    {ELOOP, 10062},           {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},    {EHOSTUNREACH, 10065},    {ENOTEMPTY, 10066},       {EUSERS, 10068},
    {EDQUOT, 10069},       {ESTALE, 10070},          {EREMOTE, 10071},
};

}  // namespace

QString socketErrorText(int code)
{
    for (const Message& m : kMessages) {
        if (m.code == code)
            return QString::fromLatin1(m.text);
    }
    return QString::asprintf("%d", code);
}

int socketErrorFromErrno(int errnoValue)
{
    for (const Mapping& m : kErrnoMap) {
        if (m.errnoValue == errnoValue)
            return m.code;
    }
    return errnoValue;
}

}  // namespace automation

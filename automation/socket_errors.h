#pragma once
// The Windows Sockets error vocabulary that the terminal control and the
// syslog receiver report in: codes such as 10061 and their messages, and the
// mapping of POSIX errno values onto them. It lives in the automation layer
// so that neither needs the other.

#include <QString>

namespace automation {

inline constexpr int kWouldBlock = 10035;         // WSAEWOULDBLOCK: counts as success
inline constexpr int kInProgress = 10036;         // WSAEINPROGRESS
inline constexpr int kInvalidArgument = 10022;    // WSAEINVAL, also a name that does not resolve
inline constexpr int kConnectionReset = 10054;    // WSAECONNRESET
inline constexpr int kTimedOut = 10060;           // WSAETIMEDOUT
inline constexpr int kConnectionRefused = 10061;  // WSAECONNREFUSED

// The message for a socket error code: its short name and a description, or
// the code's decimal digits for a code without a message.
QString socketErrorText(int code);

// The socket error code for an errno value. Values without a counterpart are
// returned as they are (their text is then just the number).
int socketErrorFromErrno(int errnoValue);

}  // namespace automation

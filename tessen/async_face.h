#pragma once
// The control's asynchronous C++ face, for a host that lives on the thread
// the control serves and must never wait there: the monitor. Open returns at
// once and the connect runs on the event loop under the same limit as the
// blocking one; keys never wait for the socket; Close does not pause. Scripts
// and other hosts keep the blocking Open and SendKeys of the automation
// interface.
//
// Header only: a host reaches it with qobject_cast on the control it created
// by class id, without linking the control's library.

#include <QObject>
#include <QString>

#include <functional>

class ITessenAsync {
public:
    virtual ~ITessenAsync() = default;

    // Starts a connection to IpAddress, closing any other first. done(true)
    // once connected, done(false) once it failed (after OnError told why); it
    // runs on the event loop, never within this call, and not at all when the
    // connection is closed or replaced first. False when it failed at once
    // (OnError told why; done does not run).
    virtual bool OpenAsync(std::function<void(bool connected)> done) = 0;
    // Queues the keys; what the socket does not take now goes when it is
    // writable. A failure later comes as OnError from "SendKeys".
    virtual bool SendKeysAsync(const QString& keys) = 0;
    // Shuts the connection down and closes it without the pause; the caller
    // waits ClosePauseMs() before it opens again.
    virtual bool CloseAsync() = 0;
    virtual int ClosePauseMs() const = 0;
    // The screen's paints begun so far (see CTerminalScreen::Paints); 0
    // without a connection.
    virtual quint64 ScreenPaints() const = 0;
};

#define ITessenAsync_iid "com.omberon.Tessen.Async/1.0"
Q_DECLARE_INTERFACE(ITessenAsync, ITessenAsync_iid)

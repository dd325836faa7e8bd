#include "tessen/control.h"

#include "tessen/dialogs.h"
#include "tessen/socket_errors.h"

#include <QThread>

#include <atomic>
#include <utility>

namespace tessen {
// Live objects of the library, for DllCanUnloadNow.
std::atomic<int> liveObjects{0};
}  // namespace tessen

namespace {
const QString kUnknownException = QStringLiteral("Unknown Exception");
const QString kOnTelnetData = QStringLiteral("Internal( OnTelnetData )");
const QString kOnTelnetChange = QStringLiteral("Internal( OnTelnetChange )");
}  // namespace

CTessenCtrl::CTessenCtrl(QObject* parent) : QObject(parent) { ++tessen::liveObjects; }

CTessenCtrl::~CTessenCtrl()
{
    methodName_ = QStringLiteral("Internal( OnDestroy )");
    try {
        closeConnection();
    } catch (...) {
        reportUnknown(methodName_);
    }
    --tessen::liveObjects;
}

void CTessenCtrl::report(const QString& method, int error, const QString& text)
{
    lastError_ = error;
    lastErrorText_ = text;
    emit OnError(method, error, text);
}

void CTessenCtrl::reportUnknown(const QString& method) { report(method, -1, kUnknownException); }

bool CTessenCtrl::checkSocketResult(bool succeeded)
{
    if (succeeded || !connection_)
        return succeeded;
    const int code = connection_->GetLastError();
    lastError_ = code;
    if (code == tessen::kWouldBlock)
        return true;
    report(methodName_, code, tessen::socketErrorText(code));
    return false;
}

void CTessenCtrl::setBreakOn(const QString& text)
{
    breakOn_ = text;
    SetModifiedFlag();
}

void CTessenCtrl::setIpAddress(const QString& address)
{
    ipAddress_ = address;
    SetModifiedFlag();
}

int CTessenCtrl::screenProperty(int (CTerminalScreen::*getter)() const, const char* method)
{
    try {
        return connection_ ? (connection_->Screen().*getter)() : 0;
    } catch (...) {
        reportUnknown(QString::fromLatin1(method));
        return 0;
    }
}

int CTessenCtrl::column() { return screenProperty(&CTerminalScreen::CursorColumn, "Column Property"); }
int CTessenCtrl::columns() { return screenProperty(&CTerminalScreen::Columns, "Columns Property"); }
int CTessenCtrl::row() { return screenProperty(&CTerminalScreen::CursorRow, "Row Property"); }
int CTessenCtrl::rows() { return screenProperty(&CTerminalScreen::Rows, "Rows Property"); }

bool CTessenCtrl::closeConnection(bool pause)
{
    openDone_ = nullptr;
    if (!connection_)
        return false;
    // Taken out first, so that a handler running meanwhile sees the control closed.
    std::unique_ptr<CTelnetClient> connection = std::move(connection_);
    connection->ShutDownSend();
    connection->Close();
    // The pause gives the peer time to see the shutdown before the object goes.
    if (pause)
        QThread::msleep(kClosePauseMs);
    return true;
}

bool CTessenCtrl::OpenAsync(std::function<void(bool connected)> done)
{
    methodName_ = QStringLiteral("Open");
    try {
        closeConnection(false);
        connection_ = std::make_unique<CTelnetClient>(this);
        connection_->SetAsynchronous(true);
        CTelnetClient* attempt = connection_.get();
        if (!checkSocketResult(connection_->Create()) || !checkSocketResult(connection_->Connect(ipAddress_))) {
            if (connection_.get() == attempt)
                connection_.reset();
            return false;
        }
        if (connection_.get() != attempt)
            return false;
        openDone_ = std::move(done);
        return true;
    } catch (...) {
        connection_.reset();
        reportUnknown(methodName_);
        return false;
    }
}

void CTessenCtrl::OnTelnetConnected(int error)
{
    CTelnetClient* attempt = connection_.get();
    std::function<void(bool)> done = std::exchange(openDone_, nullptr);
    try {
        if (error != 0) {
            report(QStringLiteral("Open"), error, tessen::socketErrorText(error));
            // An OnError handler may already have opened again; keep that one.
            if (connection_.get() == attempt && attempt) {
                // Called from within the connection's own notification.
                connection_->Close();
                connection_.release()->deleteLater();
            }
        }
    } catch (...) {
        reportUnknown(QStringLiteral("Open"));
    }
    if (done)
        done(error == 0);
}

void CTessenCtrl::OnTelnetSendFailed(int error)
{
    try {
        report(QStringLiteral("SendKeys"), error, tessen::socketErrorText(error));
    } catch (...) {
        reportUnknown(QStringLiteral("SendKeys"));
    }
}

bool CTessenCtrl::SendKeysAsync(const QString& keys)
{
    // An asynchronous connection never waits in Send; the rest is the same.
    return SendKeys(keys);
}

bool CTessenCtrl::CloseAsync()
{
    methodName_ = QStringLiteral("Close");
    try {
        return closeConnection(false);
    } catch (...) {
        connection_.reset();
        reportUnknown(methodName_);
        return false;
    }
}

bool CTessenCtrl::Open()
{
    methodName_ = QStringLiteral("Open");
    try {
        closeConnection();
        connection_ = std::make_unique<CTelnetClient>(this);
        CTelnetClient* attempt = connection_.get();
        if (!checkSocketResult(connection_->Create()) || !checkSocketResult(connection_->Connect(ipAddress_))) {
            // An OnError handler may already have opened again; keep that one.
            if (connection_.get() == attempt)
                connection_.reset();
            return false;
        }
        return connection_.get() == attempt;
    } catch (...) {
        connection_.reset();
        reportUnknown(methodName_);
        return false;
    }
}

bool CTessenCtrl::Close()
{
    methodName_ = QStringLiteral("Close");
    try {
        return closeConnection();
    } catch (...) {
        connection_.reset();
        reportUnknown(methodName_);
        return false;
    }
}

bool CTessenCtrl::SendKeys(const QString& Keys)
{
    methodName_ = QStringLiteral("SendKeys");
    if (!connection_)
        return false;
    try {
        // Keys travel as single-byte text, untranslated: line ends are the caller's.
        const int result = connection_->Send(Keys.toLatin1());
        if (result == -1)
            return checkSocketResult(false);
        return true;
    } catch (...) {
        reportUnknown(methodName_);
        return false;
    }
}

bool CTessenCtrl::Find(const QString& String, int& Row, int& Column)
{
    methodName_ = QStringLiteral("Find");
    if (!connection_)
        return false;
    try {
        int row = 0;
        int column = 0;
        const bool found = connection_->Screen().Find(String.toLatin1(), row, column);
        Row = row;
        Column = column;
        return found;
    } catch (...) {
        reportUnknown(methodName_);
        return false;
    }
}

QString CTessenCtrl::GetBuffer(int Row, int Column, int Length)
{
    methodName_ = QStringLiteral("GetBuffer");
    if (!connection_)
        return {};
    try {
        return QString::fromLatin1(connection_->Screen().GetBuffer(Row, Column, Length));
    } catch (...) {
        reportUnknown(methodName_);
        return {};
    }
}

// A console host has nowhere to show it: then nothing happens.
void CTessenCtrl::AboutBox() { tessen::dialogs::showAboutBox(); }

void CTessenCtrl::OnTelnetData(const QByteArray& chunk)
{
    try {
        if (dataEvents_)
            emit OnData(QString::fromLatin1(chunk));
        if (breakOn_.isEmpty())
            return;
        if (capture_.size() + chunk.size() > kCaptureLimit) {
            report(kOnTelnetData, -1, QStringLiteral("Capture buffer overflow"));
            return;
        }
        capture_.append(chunk);
        // BreakOn is read afresh each time: an OnBreak handler may change it.
        for (QByteArray key = breakOn_.toLatin1(); !key.isEmpty(); key = breakOn_.toLatin1()) {
            const qsizetype at = capture_.indexOf(key);
            if (at < 0)
                break;
            const qsizetype end = at + key.size();
            const QByteArray data = capture_.left(end);
            capture_.remove(0, end);
            emit OnBreak(QString::fromLatin1(data));
        }
    } catch (...) {
        reportUnknown(kOnTelnetData);
    }
}

void CTessenCtrl::OnTelnetChange()
{
    try {
        if (!connection_)
            return;
        screen_.clear();
        screen_ = QString::fromLatin1(connection_->Screen().Text());
        emit OnScreenChange();
    } catch (...) {
        reportUnknown(kOnTelnetChange);
    }
}

void CTessenCtrl::SaveState(automation::PropertyBag& bag)
{
    bag.setVersion(QString::fromLatin1(kPersistenceVersion));
    bag.write(QStringLiteral("BreakOn"), automation::Variant(breakOn_));
    bag.write(QStringLiteral("IpAddress"), automation::Variant(ipAddress_));
    modified_ = false;
}

void CTessenCtrl::LoadState(const automation::PropertyBag& bag)
{
    breakOn_ = bag.read(QStringLiteral("BreakOn"), automation::Variant(QString())).toString();
    ipAddress_ =
        bag.read(QStringLiteral("IpAddress"), automation::Variant(QString::fromLatin1(kDefaultIpAddress))).toString();
    // A state of another version is written back as the current one.
    modified_ = bag.version() != QLatin1String(kPersistenceVersion);
}

void CTessenCtrl::ResetState()
{
    breakOn_.clear();
    ipAddress_ = QString::fromLatin1(kDefaultIpAddress);
    modified_ = true;
}

void CTessenCtrl::OnDraw(QPainter& painter, const QRect& bounds) const { tessen::dialogs::draw(painter, bounds); }

void CTessenCtrl::OnProperties(QWidget* parent) { tessen::dialogs::showProperties(parent); }

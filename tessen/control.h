#pragma once
// The terminal control as hosts see it: properties, methods and events of
// _DTessen / _DTessenEvents, published through the automation layer. It owns
// at most one telnet connection and, through it, one 24 x 80 screen.
//
// Nothing raises to the caller: every failure sets LastError and
// LastErrorText and fires OnError.

#include "automation/property_bag.h"
#include "tessen/async_face.h"
#include "tessen/telnet_client.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QPainter;
class QRect;
class QWidget;

class CTessenCtrl : public QObject, public CTelnetClient::Listener, public ITessenAsync {
    Q_OBJECT
    Q_INTERFACES(ITessenAsync)
    Q_CLASSINFO("TypeName", "Tessen")
    Q_CLASSINFO("DispId.Screen", "1")
    Q_CLASSINFO("DispId.LastError", "2")
    Q_CLASSINFO("DispId.LastErrorText", "3")
    Q_CLASSINFO("DispId.BreakOn", "4")
    Q_CLASSINFO("DispId.Column", "5")
    Q_CLASSINFO("DispId.Columns", "6")
    Q_CLASSINFO("DispId.Row", "7")
    Q_CLASSINFO("DispId.Rows", "8")
    Q_CLASSINFO("DispId.IpAddress", "9")
    Q_CLASSINFO("DispId.IsOpen", "11")
    Q_CLASSINFO("DispId.Close", "12")
    Q_CLASSINFO("DispId.SendKeys", "13")
    Q_CLASSINFO("DispId.Find", "14")
    Q_CLASSINFO("DispId.GetBuffer", "15")
    Q_CLASSINFO("DispId.Open", "16")
    Q_CLASSINFO("DispId.AboutBox", "-552")
    Q_CLASSINFO("DispId.DataEvents", "17")
    Q_CLASSINFO("EventId.OnScreenChange", "1")
    Q_CLASSINFO("EventId.OnBreak", "2")
    Q_CLASSINFO("EventId.OnError", "3")
    Q_CLASSINFO("EventId.OnData", "4")
    Q_PROPERTY(QString Screen READ screen)
    Q_PROPERTY(int LastError READ lastError)
    Q_PROPERTY(QString LastErrorText READ lastErrorText)
    Q_PROPERTY(QString BreakOn READ breakOn WRITE setBreakOn)
    Q_PROPERTY(int Column READ column)
    Q_PROPERTY(int Columns READ columns)
    Q_PROPERTY(int Row READ row)
    Q_PROPERTY(int Rows READ rows)
    Q_PROPERTY(QString IpAddress READ ipAddress WRITE setIpAddress)
    Q_PROPERTY(bool IsOpen READ isOpen)
    Q_PROPERTY(bool DataEvents READ dataEvents WRITE setDataEvents)

public:
    static constexpr int kCaptureLimit = 65535;
    static constexpr int kClosePauseMs = 300;
    static constexpr const char* kDefaultIpAddress = "192.168.0.1";
    static constexpr const char* kPersistenceVersion = "1.0";

    explicit CTessenCtrl(QObject* parent = nullptr);
    ~CTessenCtrl() override;

    QString screen() const { return screen_; }
    int lastError() const { return lastError_; }
    QString lastErrorText() const { return lastErrorText_; }
    QString breakOn() const { return breakOn_; }
    void setBreakOn(const QString& text);
    int column();
    int columns();
    int row();
    int rows();
    QString ipAddress() const { return ipAddress_; }
    void setIpAddress(const QString& address);
    bool isOpen() const { return connection_ != nullptr; }

    Q_INVOKABLE bool Close();
    Q_INVOKABLE bool SendKeys(const QString& Keys);
    Q_INVOKABLE bool Find(const QString& String, int& Row, int& Column);
    Q_INVOKABLE QString GetBuffer(int Row, int Column, int Length);
    Q_INVOKABLE bool Open();
    Q_INVOKABLE void AboutBox();
    // Whether OnData carries every chunk received; off by default, so that a
    // host that does not record pays nothing. Not persisted.
    bool dataEvents() const { return dataEvents_; }
    void setDataEvents(bool on) { dataEvents_ = on; }

    // Persistence into a property bag, format version 1.0.
    void SaveState(automation::PropertyBag& bag);
    void LoadState(const automation::PropertyBag& bag);
    void ResetState();
    bool IsModified() const { return modified_; }
    void SetModifiedFlag(bool modified = true) { modified_ = modified; }

    // The control shows nothing of its own: its bounds are white.
    void OnDraw(QPainter& painter, const QRect& bounds) const;
    // The standard "Properties" verb: a modal sheet with the control's page.
    void OnProperties(QWidget* parent = nullptr);

    // The connection, for hosts that test the control; null when closed.
    const CTelnetClient* Connection() const { return connection_.get(); }

    // Capture rule and screen publication, called by the connection.
    void OnTelnetData(const QByteArray& chunk) override;
    void OnTelnetChange() override;
    void OnTelnetConnected(int error) override;
    void OnTelnetSendFailed(int error) override;

    // The asynchronous face (see async_face.h).
    bool OpenAsync(std::function<void(bool connected)> done) override;
    bool SendKeysAsync(const QString& keys) override;
    bool CloseAsync() override;
    int ClosePauseMs() const override { return kClosePauseMs; }
    quint64 ScreenPaints() const override { return connection_ ? connection_->Screen().Paints() : 0; }

Q_SIGNALS:
    void OnScreenChange();
    void OnBreak(const QString& Data);
    void OnError(const QString& Method, int Error, const QString& ErrorText);
    // Each chunk as received, telnet commands and all, as single-byte text;
    // before the screen shows it.
    void OnData(const QString& Data);

private:
    void report(const QString& method, int error, const QString& text);
    void reportUnknown(const QString& method);
    // The failure check of Create, Connect and Send.
    bool checkSocketResult(bool succeeded);
    // Shut down, close, pause (unless asked not to), destroy; false without
    // a connection.
    bool closeConnection(bool pause = true);
    int screenProperty(int (CTerminalScreen::*getter)() const, const char* method);

    std::unique_ptr<CTelnetClient> connection_;
    QString ipAddress_ = QString::fromLatin1(kDefaultIpAddress);
    QString screen_;
    QString lastErrorText_;
    QByteArray capture_;
    QString breakOn_;
    int lastError_ = 0;
    QString methodName_;
    bool modified_ = false;
    bool dataEvents_ = false;
    std::function<void(bool)> openDone_;
};

#pragma once
// One line entry of the router's status screen, as the status parser leaves
// it and as scripts see it (Application.Lines(n)).

#include <QObject>
#include <QString>

class CLines;

class CLine : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Link")
    // The automation interface: ids are the positions in this list.
    Q_PROPERTY(int Channel READ channel)
    Q_PROPERTY(QString Link READ link)
    Q_PROPERTY(int Type READ type)
    Q_PROPERTY(int PacketsSent READ packetsSent)
    Q_PROPERTY(int PacketsReceived READ packetsReceived)
    Q_PROPERTY(int Errors READ errors)
    Q_PROPERTY(int LineUtilization READ lineUtilization)
    Q_PROPERTY(int AverageLineUtilization READ averageLineUtilization)
    Q_PROPERTY(QString UpTime READ upTime)
    Q_PROPERTY(QString IpAddress READ ipAddress)
    Q_PROPERTY(QString CLID READ clid)
    Q_PROPERTY(QString User READ user WRITE setUser)
    Q_PROPERTY(QString CallerName READ callerName)

public:
    explicit CLine(QObject* parent = nullptr);

    // 1 or 2 inside the collection; 0 for a record on its own.
    int number() const { return number_; }

    int channel() const { return channel_; }
    const QString& link() const { return link_; }
    int type() const { return type_; }
    int packetsSent() const { return packetsSent_; }
    int packetsReceived() const { return packetsReceived_; }
    int errors() const { return errors_; }
    int lineUtilization() const { return lineUtilization_; }
    int averageLineUtilization() const { return averageLineUtilization_; }
    const QString& upTime() const { return upTime_; }
    const QString& ipAddress() const { return ipAddress_; }
    const QString& clid() const { return clid_; }
    const QString& user() const { return user_; }
    void setUser(const QString& text) { user_ = text; }
    // The phone book's name for the caller id; empty when unknown.
    const QString& callerName() const { return callerName_; }
    void setCallerName(const QString& name) { callerName_ = name; }

    // A line is up exactly while it holds a B channel.
    bool isUp() const { return channel_ > 0; }

    // The status parser's setters: each takes the text cut from the screen.
    // An empty text leaves the channel as it was (the status reset relies on
    // that); otherwise the channel letter is dropped and the digits read.
    void SetChannel(const QString& text);
    void SetLink(const QString& text);
    void SetType(const QString& text);
    void SetPacketsSent(const QString& text);
    void SetPacketsReceived(const QString& text);
    void SetErrors(const QString& text);
    void SetLineUtilization(const QString& text);
    void SetAverageLineUtilization(const QString& text);
    void SetUpTime(const QString& text);
    void SetIpAddress(const QString& text);
    void SetCLID(const QString& text);

private:
    friend class CLines;

    int number_ = 0;
    QString clid_;
    QString ipAddress_;
    QString upTime_;
    int averageLineUtilization_ = 0;
    int lineUtilization_ = 0;
    int errors_ = 0;
    int packetsReceived_ = 0;
    int packetsSent_ = 0;
    int type_ = 0;
    QString link_;
    int channel_ = 0;
    QString user_;
    QString callerName_;
};

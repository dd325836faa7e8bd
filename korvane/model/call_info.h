#pragma once
// One row of the router's call history screen, as scripts see it
// (Application.CallInfos(i)). Every member is read-only to scripts.

#include <QObject>
#include <QString>

class CCallInfo : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "PhoneNumber")
    // The automation interface: ids are the positions in this list (the
    // shortest call comes before the longest here, unlike the screen).
    Q_PROPERTY(QString PhoneNumber READ phoneNumber)
    Q_PROPERTY(QString Direction READ direction)
    Q_PROPERTY(int BaudRate READ baudRate)
    Q_PROPERTY(int NoOfCalls READ noOfCalls)
    Q_PROPERTY(QString MinTime READ minTime)
    Q_PROPERTY(QString MaxTime READ maxTime)
    Q_PROPERTY(QString TotalTime READ totalTime)

public:
    explicit CCallInfo(QObject* parent = nullptr);

    const QString& phoneNumber() const { return phoneNumber_; }
    const QString& direction() const { return direction_; }
    int baudRate() const { return baudRate_; }
    int noOfCalls() const { return noOfCalls_; }
    const QString& maxTime() const { return maxTime_; }
    const QString& minTime() const { return minTime_; }
    const QString& totalTime() const { return totalTime_; }

    // The call history reader's setters, each with the text cut from the
    // screen. Times keep the leading spaces that right-align them.
    void SetPhoneNumber(const QString& text);
    void SetDirection(const QString& text);
    void SetBaudRate(const QString& text);
    void SetNoOfCalls(const QString& text);
    void SetMaxTime(const QString& text);
    void SetMinTime(const QString& text);
    void SetTotalTime(const QString& text);

    // Every setter with the empty text: texts empty, numbers 0.
    void clear();

private:
    QString phoneNumber_;
    QString direction_;
    int baudRate_ = 0;
    int noOfCalls_ = 0;
    QString maxTime_;
    QString minTime_;
    QString totalTime_;
};

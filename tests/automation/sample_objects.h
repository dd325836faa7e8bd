#pragma once
// Small automation classes that exercise the dispatch layer the way the
// object model and the terminal control use it.

#include "automation/dispatch.h"

#include <QObject>

class SampleLine : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Link")
    Q_PROPERTY(int Channel READ channel)
    Q_PROPERTY(QString Link READ link)
    Q_PROPERTY(QString User READ user WRITE setUser)
public:
    int channel() const { return 2; }
    QString link() const { return QStringLiteral("Omberon"); }
    QString user() const { return user_; }
    void setUser(const QString& u) { user_ = u; }

private:
    QString user_;
};

class SampleLines : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DefaultMember", "Item")
    Q_PROPERTY(int Count READ count)
public:
    int count() const { return 1; }
    Q_INVOKABLE QObject* Item(int index) { return index == 1 ? &line : nullptr; }
    SampleLine line;
};

class SampleRoot : public QObject {
    Q_OBJECT
    Q_PROPERTY(QObject* Lines READ lines)
public:
    QObject* lines() { return &collection; }
    SampleLines collection;
};

class SampleControl : public QObject {
    Q_OBJECT
    Q_CLASSINFO("DispId.IsOpen", "11")
    Q_CLASSINFO("DispId.AboutBox", "-552")
    Q_PROPERTY(QString Screen READ screen)
    Q_PROPERTY(bool IsOpen READ isOpen)
public:
    QString screen() const { return QStringLiteral("screen"); }
    bool isOpen() const { return false; }
    Q_INVOKABLE bool Close() { return false; }
    Q_INVOKABLE bool Find(const QString& text, int& row, int& column)
    {
        row = text.size();
        column = 7;
        return true;
    }
    Q_INVOKABLE QString GetBuffer(int row, int column, int length = 5)
    {
        return QStringLiteral("%1/%2/%3").arg(row).arg(column).arg(length);
    }
    Q_INVOKABLE void AboutBox() { ++aboutShown; }
    int aboutShown = 0;

Q_SIGNALS:
    void OnScreenChange();
    void OnBreak(const QString& data);
    void OnError(const QString& method, int error, const QString& text);
};

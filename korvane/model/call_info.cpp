#include "korvane/model/call_info.h"

#include "korvane/model/text_conversions.h"

using korvane::leadingInteger;
using korvane::trimmedBothEnds;
using korvane::trimmedEnd;

CCallInfo::CCallInfo(QObject* parent) : QObject(parent) {}

void CCallInfo::SetPhoneNumber(const QString& text) { phoneNumber_ = trimmedBothEnds(text); }

void CCallInfo::SetDirection(const QString& text)
{
    direction_ = trimmedBothEnds(text);
    if (direction_ == QLatin1String("IN"))
        direction_ = QStringLiteral("In");
    else if (direction_ == QLatin1String("OUT"))
        direction_ = QStringLiteral("Out");
}

void CCallInfo::SetBaudRate(const QString& text) { baudRate_ = leadingInteger(text); }
void CCallInfo::SetNoOfCalls(const QString& text) { noOfCalls_ = leadingInteger(text); }
void CCallInfo::SetMaxTime(const QString& text) { maxTime_ = trimmedEnd(text); }
void CCallInfo::SetMinTime(const QString& text) { minTime_ = trimmedEnd(text); }
void CCallInfo::SetTotalTime(const QString& text) { totalTime_ = trimmedEnd(text); }

void CCallInfo::clear()
{
    const QString empty;
    SetPhoneNumber(empty);
    SetDirection(empty);
    SetBaudRate(empty);
    SetNoOfCalls(empty);
    SetMaxTime(empty);
    SetMinTime(empty);
    SetTotalTime(empty);
}

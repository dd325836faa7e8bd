#include "korvane/model/line.h"

#include "korvane/model/text_conversions.h"

using korvane::leadingInteger;
using korvane::trimmedBothEnds;

CLine::CLine(QObject* parent) : QObject(parent) {}

void CLine::SetChannel(const QString& text)
{
    if (text.isEmpty())
        return;
    channel_ = leadingInteger(QStringView(text).sliced(1));
}

void CLine::SetLink(const QString& text) { link_ = trimmedBothEnds(text); }
void CLine::SetType(const QString& text) { type_ = leadingInteger(text); }
void CLine::SetPacketsSent(const QString& text) { packetsSent_ = leadingInteger(text); }
void CLine::SetPacketsReceived(const QString& text) { packetsReceived_ = leadingInteger(text); }
void CLine::SetErrors(const QString& text) { errors_ = leadingInteger(text); }
void CLine::SetLineUtilization(const QString& text) { lineUtilization_ = leadingInteger(text); }
void CLine::SetAverageLineUtilization(const QString& text) { averageLineUtilization_ = leadingInteger(text); }
void CLine::SetUpTime(const QString& text) { upTime_ = text; }
void CLine::SetIpAddress(const QString& text) { ipAddress_ = trimmedBothEnds(text); }
void CLine::SetCLID(const QString& text) { clid_ = trimmedBothEnds(text); }

#include "korvane/model/call_infos.h"

CCallInfos::CCallInfos(QObject* parent) : QObject(parent) {}

CCallInfo* CCallInfos::entry(int index)
{
    return index >= 0 && index < kCount ? &entries_[size_t(index)] : nullptr;
}

const CCallInfo* CCallInfos::entry(int index) const
{
    return index >= 0 && index < kCount ? &entries_[size_t(index)] : nullptr;
}

QObject* CCallInfos::Item(int Index)
{
    return entry(Index);
}

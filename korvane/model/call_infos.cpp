#include "korvane/model/call_infos.h"

#include "automation/dispatch.h"

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

automation::Variant CCallInfos::_NewEnum()
{
    QList<automation::Variant> items;
    for (CCallInfo& c : entries_)
        items.append(automation::Variant(automation::dispatchFor(&c)));
    return automation::Variant(automation::Array::fromList(items));
}

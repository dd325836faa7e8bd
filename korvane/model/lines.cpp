#include "korvane/model/lines.h"

#include "automation/dispatch.h"

CLines::CLines(QObject* parent) : QObject(parent)
{
    for (int i = 0; i < kCount; ++i)
        lines_[size_t(i)].number_ = i + 1;
}

CLine* CLines::line(int number)
{
    return number >= 1 && number <= kCount ? &lines_[size_t(number - 1)] : nullptr;
}

const CLine* CLines::line(int number) const
{
    return number >= 1 && number <= kCount ? &lines_[size_t(number - 1)] : nullptr;
}

QObject* CLines::Item(int Index)
{
    return line(Index);
}

automation::Variant CLines::_NewEnum()
{
    QList<automation::Variant> items;
    for (CLine& l : lines_)
        items.append(automation::Variant(automation::dispatchFor(&l)));
    return automation::Variant(automation::Array::fromList(items));
}

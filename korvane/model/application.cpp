#include "korvane/model/application.h"

#include "korvane/model/text_conversions.h"

CApplication::CApplication(QObject* parent) : QObject(parent) {}

void CApplication::SetTotalOutcallTime(const QString& text) { totalOutcallTime_ = text; }

void CApplication::SetLastCallLanPacket(const QString& text)
{
    lastCallLanPacket_ = korvane::trimmedBothEnds(text);
}

void CApplication::setTty(QObject* control)
{
    ttyDispatch_.reset();
    ttyObject_ = control;
}

void CApplication::setTty(automation::DispatchRef control)
{
    ttyObject_.clear();
    ttyDispatch_ = std::move(control);
}

automation::DispatchRef CApplication::tty() const
{
    if (ttyDispatch_)
        return ttyDispatch_;
    // A fresh reference each time: the control stays owned by its view.
    return automation::dispatchFor(ttyObject_.data());
}

void CApplication::setMonitoringHook(MonitoringHook hook)
{
    monitoringHook_ = std::move(hook);
}

bool CApplication::korvaneEnabled() const
{
    return monitoringHook_.isEnabled ? monitoringHook_.isEnabled() : monitoringEnabled_;
}

void CApplication::setKorvaneEnabled(bool enabled)
{
    if (monitoringHook_.setEnabled)
        monitoringHook_.setEnabled(enabled);
    else
        monitoringEnabled_ = enabled;
}

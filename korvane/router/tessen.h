#pragma once
// CTessen: the monitor's typed wrapper of the terminal control. It creates
// the control by its class id and reaches it by dispatch id, except for
// opening, sending and closing, which go through the control's asynchronous
// face when it has one, so that the monitor's thread never waits on the
// router. The control's events arrive through an event sink.

#include "automation/dispatch.h"
#include "automation/events.h"
#include "korvane/router/driver.h"

#include <QPointer>
#include <QString>

#include <memory>

class ITessenAsync;

namespace korvane {

inline constexpr char kTessenClassId[] = "{1D358E65-0927-11D3-B172-00C02631EA6A}";
inline constexpr char kTessenLibrary[] = "libtessen.so";

namespace tessen_id {
inline constexpr automation::DispId Screen = 1;
inline constexpr automation::DispId Column = 5;
inline constexpr automation::DispId Row = 7;
inline constexpr automation::DispId IpAddress = 9;
inline constexpr automation::DispId IsOpen = 11;
inline constexpr automation::DispId Close = 12;
inline constexpr automation::DispId SendKeys = 13;
inline constexpr automation::DispId Open = 16;
inline constexpr automation::DispId DataEvents = 17;
inline constexpr automation::DispId OnScreenChange = 1;
inline constexpr automation::DispId OnError = 3;
inline constexpr automation::DispId OnData = 4;
}  // namespace tessen_id

class CTessen : public RouterTerminal, private automation::EventSink {
public:
    // Creates the control, owned by parent; see created() and creationError().
    explicit CTessen(QObject* parent = nullptr);
    // Wraps a control that already exists (not owned).
    explicit CTessen(QObject* control, bool owned);
    ~CTessen() override;

    bool created() const { return dispatch_ != nullptr; }
    const QString& creationError() const { return creationError_; }

    QString screen() override;
    int column() override;
    int row() override;
    void setIpAddress(const QString& address) override;
    bool isOpen() override;
    bool close() override;
    bool sendKeys(const QString& keys) override;
    bool open() override;
    void beginOpen() override;
    int closePauseMs() const override;
    bool countsPaints() const override { return async() != nullptr; }
    quint64 paints() const override;
    QObject* automationObject() const override { return control_; }
    void setReportReceived(bool on) override;

private:
    void attach(QObject* control);
    void onEvent(automation::DispId id, const QString& name, const QList<automation::Variant>& args) override;
    // A call by id; an automation failure (the control went away) gives Empty.
    automation::Variant invoke(automation::DispId id, automation::CallKind kind,
                               QList<automation::Variant> args = {});

    QPointer<QObject> control_;
    automation::DispatchRef dispatch_;
    automation::EventConnection events_;
    ITessenAsync* async() const;

    QString creationError_;
    bool owned_ = false;
    ITessenAsync* async_ = nullptr;
    // Outlives no callback given to the control: a late outcome finds it gone.
    std::shared_ptr<CTessen*> self_;
};

}  // namespace korvane

#include "korvane/router/tessen.h"

#include "automation/class_registry.h"
#include "automation/errors.h"
#include "tessen/async_face.h"

namespace korvane {

using automation::CallKind;
using automation::Variant;

CTessen::CTessen(QObject* parent) {
    QString error;
    QObject* control = automation::createObject(QString::fromLatin1(kTessenClassId),
                                                QString::fromLatin1(kTessenLibrary), parent, &error);
    if (!control) {
        creationError_ = error.isEmpty() ? QStringLiteral("The terminal control could not be created.") : error;
        return;
    }
    owned_ = parent == nullptr;
    attach(control);
}

CTessen::CTessen(QObject* control, bool owned) : owned_(owned) {
    if (control)
        attach(control);
}

CTessen::~CTessen() {
    if (self_)
        *self_ = nullptr;
    events_.disconnect();
    dispatch_.reset();
    if (owned_ && control_)
        delete control_.data();
}

void CTessen::attach(QObject* control) {
    control_ = control;
    async_ = qobject_cast<ITessenAsync*>(control);
    self_ = std::make_shared<CTessen*>(this);
    dispatch_ = automation::dispatchFor(control);
    events_ = automation::connectEvents(control, this);
}

Variant CTessen::invoke(automation::DispId id, CallKind kind, QList<Variant> args) {
    if (!dispatch_ || !control_)
        return Variant();
    try {
        return dispatch_->invoke(id, kind, args);
    } catch (const automation::AutomationError&) {
        return Variant();
    }
}

namespace {
QString asText(const Variant& v) { return v.toDisplayString(); }
int asInt(const Variant& v) {
    try {
        return v.isEmpty() ? 0 : v.toLong();
    } catch (const automation::AutomationError&) {
        return 0;
    }
}
bool asBool(const Variant& v) {
    try {
        return !v.isEmpty() && v.toBool();
    } catch (const automation::AutomationError&) {
        return false;
    }
}
}  // namespace

QString CTessen::screen() { return asText(invoke(tessen_id::Screen, CallKind::PropertyGet)); }
int CTessen::column() { return asInt(invoke(tessen_id::Column, CallKind::PropertyGet)); }
int CTessen::row() { return asInt(invoke(tessen_id::Row, CallKind::PropertyGet)); }
void CTessen::setIpAddress(const QString& address) {
    invoke(tessen_id::IpAddress, CallKind::PropertyPut, {Variant(address)});
}
ITessenAsync* CTessen::async() const { return control_ ? async_ : nullptr; }

bool CTessen::isOpen() { return asBool(invoke(tessen_id::IsOpen, CallKind::PropertyGet)); }
bool CTessen::close() {
    if (ITessenAsync* face = async())
        return face->CloseAsync();
    return asBool(invoke(tessen_id::Close, CallKind::Method));
}
bool CTessen::sendKeys(const QString& keys) {
    if (ITessenAsync* face = async())
        return face->SendKeysAsync(keys);
    return asBool(invoke(tessen_id::SendKeys, CallKind::Method, {Variant(keys)}));
}
int CTessen::closePauseMs() const {
    const ITessenAsync* face = async();
    return face ? face->ClosePauseMs() : 0;
}

quint64 CTessen::paints() const {
    const ITessenAsync* face = async();
    return face ? face->ScreenPaints() : 0;
}

void CTessen::beginOpen() {
    ITessenAsync* face = async();
    if (!face) {
        RouterTerminal::beginOpen();
        return;
    }
    std::weak_ptr<CTessen*> self = self_;
    const bool started = face->OpenAsync([self](bool connected) {
        const auto alive = self.lock();
        if (alive && *alive && (*alive)->onOpened)
            (*alive)->onOpened(connected);
    });
    if (!started && onOpened)
        onOpened(false);
}
bool CTessen::open() {
    if (!created()) {
        // Without a control nothing else would ever tell the user.
        if (onError)
            onError(QStringLiteral("Open"), -1, creationError_);
        return false;
    }
    return asBool(invoke(tessen_id::Open, CallKind::Method));
}

void CTessen::setReportReceived(bool on) {
    invoke(tessen_id::DataEvents, CallKind::PropertyPut, {Variant(on)});
}

void CTessen::onEvent(automation::DispId id, const QString& name, const QList<Variant>& args) {
    Q_UNUSED(name);
    if (id == tessen_id::OnScreenChange) {
        if (onScreenChange)
            onScreenChange();
    } else if (id == tessen_id::OnData) {
        if (onReceived && !args.isEmpty())
            onReceived(asText(args[0]).toLatin1());
    } else if (id == tessen_id::OnError) {
        if (!onError)
            return;
        const QString method = args.size() > 0 ? asText(args[0]) : QString();
        const int error = args.size() > 1 ? asInt(args[1]) : 0;
        const QString text = args.size() > 2 ? asText(args[2]) : QString();
        onError(method, error, text);
    }
}

}  // namespace korvane

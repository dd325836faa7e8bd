// Makes JScript backends from libkorvane_jscript, loaded on first use.

#include "components/scriptcontrol/jscript_backend.h"

#include "automation/private_library.h"

namespace scriptcontrol {
namespace {

constexpr const char* kLibrary = "libkorvane_jscript.so";
// "ActiveX component can't create object": the engine is not there.
constexpr int kCannotCreate = 429;

using MakeBackend = Backend*(const Backend::MsgBox*, const Backend::Create*);

// Without the library: every piece of code is refused with the reason.
class UnavailableBackend final : public Backend {
public:
    explicit UnavailableBackend(QString reason) : reason_(std::move(reason)) {}
    bool addCode(const QString&, Error* error) override {
        if (error)
            *error = Error{kCannotCreate, QStringLiteral("JScript is not available: ") + reason_, 0, 0};
        return false;
    }
    void addObject(const QString&, automation::DispatchRef, bool) override {}
    QList<Procedure> procedures() const override { return {}; }
    bool run(const QString& name, const QList<automation::Variant>&, automation::Variant*, Error* error) override {
        if (error)
            *error = Error{kCannotCreate, QStringLiteral("JScript is not available to run %1: ").arg(name) + reason_, 0, 0};
        return false;
    }
    void interrupt() override {}

private:
    QString reason_;
};

}  // namespace

std::unique_ptr<Backend> makeJScriptBackend(Backend::MsgBox msgBox, Backend::Create create) {
    QString reason;
    static MakeBackend* make = nullptr;
    if (!make)
        make = reinterpret_cast<MakeBackend*>(
            automation::resolvePrivateSymbol(QString::fromLatin1(kLibrary), "korvane_jscript_backend", &reason));
    if (!make)
        return std::make_unique<UnavailableBackend>(reason);
    return std::unique_ptr<Backend>(make(&msgBox, &create));
}

}  // namespace scriptcontrol

#include "components/scriptcontrol/script_control.h"

#include "components/scriptcontrol/jscript_backend.h"
#include "components/scriptcontrol/memory_guard.h"
#include "components/scriptcontrol/watchdog.h"
#include "components/vbscript/engine.h"

#include <atomic>

namespace scriptcontrol {

namespace {

class VBScriptBackend : public Backend {
public:
    VBScriptBackend(MsgBox msgBox, Create create) {
        engine_.setMsgBoxHandler(std::move(msgBox));
        engine_.setCreateObjectHandler(std::move(create));
    }
    bool addCode(const QString& code, Error* error) override {
        if (engine_.addCode(code))
            return true;
        copyError(error);
        return false;
    }
    void addObject(const QString& name, automation::DispatchRef object, bool addMembers) override {
        engine_.addObject(name, std::move(object), addMembers);
    }
    QList<Procedure> procedures() const override {
        QList<Procedure> list;
        for (const vbscript::ProcedureInfo& info : engine_.procedures())
            list.append({info.name, info.argumentCount});
        return list;
    }
    bool run(const QString& name, const QList<automation::Variant>& args, automation::Variant* result,
             Error* error) override {
        if (engine_.run(name, args, result))
            return true;
        copyError(error);
        return false;
    }
    void interrupt() override { engine_.interrupt(); }
    void setMemoryLimit(qint64 bytes) override { engine_.setAllocationLimit(bytes); }

private:
    void copyError(Error* error) {
        const vbscript::ScriptError& e = engine_.lastError();
        *error = {e.number, e.description, e.line, e.column};
    }
    vbscript::Engine engine_;
};

}  // namespace

std::unique_ptr<Backend> makeVBScriptBackend(Backend::MsgBox msgBox, Backend::Create create) {
    return std::make_unique<VBScriptBackend>(std::move(msgBox), std::move(create));
}

// Named objects are kept so that a change of language can hand them on.
struct ScriptControl::Objects {
    Watchdog watchdog;
    MemoryGuard memory;
    std::atomic<Backend*> running{nullptr};
    explicit Objects(ScriptControl* owner)
        : watchdog([owner] {
              if (Backend* b = owner->objects_->running.load())
                  b->interrupt();
          }),
          memory([owner] {
              if (Backend* b = owner->objects_->running.load())
                  b->interrupt();
          }) {}
};

ScriptControl::ScriptControl() : objects_(std::make_unique<Objects>(this)) { makeBackend(); }

ScriptControl::~ScriptControl() {
    objects_->watchdog.disarm();
    objects_->memory.disarm();
    backend_.reset();
}

void ScriptControl::setMemoryLimit(int megabytes) {
    memoryLimitMB_ = megabytes < 0 ? 0 : megabytes;
    backend_->setMemoryLimit(qint64(memoryLimitMB_) << 20);
}

void ScriptControl::makeBackend() {
    auto msgBox = [this](const QString& prompt, int buttons, const QString& title) {
        return showMessage(prompt, buttons, title);
    };
    auto create = [this](const QString& id) { return this->create(id); };
    backend_ = jscript_ ? makeJScriptBackend(msgBox, create) : makeVBScriptBackend(msgBox, create);
    backend_->setMemoryLimit(qint64(memoryLimitMB_) << 20);
    objects_->memory.setBaseline();
}

bool ScriptControl::setLanguage(const QString& language) {
    error_ = Error();
    bool js;
    if (language.compare(QLatin1String("VBScript"), Qt::CaseInsensitive) == 0)
        js = false;
    else if (language.compare(QLatin1String("JScript"), Qt::CaseInsensitive) == 0)
        js = true;
    else {
        error_ = {380, QStringLiteral("Invalid property value"), 0, 0};
        return false;
    }
    if (js != jscript_) {
        // The engine of a running script stays until it returns.
        if (objects_->running.load() != nullptr) {
            error_ = {5, QStringLiteral("Invalid procedure call or argument"), 0, 0};
            return false;
        }
        jscript_ = js;
        makeBackend();
    }
    return true;
}

void ScriptControl::interruptRunning() {
    if (Backend* b = objects_->running.load())
        b->interrupt();
}

QString ScriptControl::language() const {
    return jscript_ ? QStringLiteral("JScript") : QStringLiteral("VBScript");
}

void ScriptControl::reset() {
    error_ = Error();
    if (objects_->running.load() == nullptr)
        makeBackend();
}

template <typename F>
bool ScriptControl::timed(F&& body) {
    error_ = Error();
    Backend* outer = objects_->running.exchange(backend_.get());
    const bool nested = outer != nullptr;
    if (!nested) {
        objects_->watchdog.arm(timeoutSeconds_ * 1000);
        // QJSEngine keeps its heap in pages of its own, outside the allocator.
        objects_->memory.arm(qint64(memoryLimitMB_) << 20, jscript_);
    }
    bool ok = body();
    if (!nested) {
        objects_->watchdog.disarm();
        objects_->memory.disarm();
        objects_->running.store(nullptr);
        if (objects_->memory.exceeded() || (!ok && error_.number == kOutOfMemoryError)) {
            ok = false;
            error_ = {kOutOfMemoryError, QStringLiteral("Out of memory"), error_.line, error_.column};
        } else if (objects_->watchdog.expired()) {
            ok = false;
            const int line = error_.line;
            error_ = {kTimeoutError,
                      QStringLiteral("Script Timeout: the script ran longer than %1 seconds and was stopped")
                          .arg(timeoutSeconds_),
                      line, error_.column};
        }
    } else {
        objects_->running.store(outer);
    }
    return ok;
}

bool ScriptControl::addCode(const QString& code) {
    return timed([&] { return backend_->addCode(code, &error_); });
}

void ScriptControl::addObject(const QString& name, automation::DispatchRef object, bool addMembers) {
    backend_->addObject(name, std::move(object), addMembers);
}

QList<Procedure> ScriptControl::procedures() const { return backend_->procedures(); }

bool ScriptControl::run(const QString& name, const QList<automation::Variant>& args, automation::Variant* result) {
    return timed([&] { return backend_->run(name, args, result, &error_); });
}

int ScriptControl::defaultButton(int buttons) {
    // Low bits: the button set; 0x100/0x200 pick the second or third button.
    static const int sets[][3] = {
        {1, 1, 1},   // OK
        {1, 2, 2},   // OK, Cancel
        {3, 4, 5},   // Abort, Retry, Ignore
        {6, 7, 2},   // Yes, No, Cancel
        {6, 7, 7},   // Yes, No
        {4, 2, 2},   // Retry, Cancel
    };
    const int set = buttons & 0xF;
    if (set < 0 || set > 5)
        return 1;
    const int which = (buttons >> 8) & 0xF;
    return sets[set][which <= 2 ? which : 0];
}

int ScriptControl::showMessage(const QString& prompt, int buttons, const QString& title) {
    if (!allowUI_ || !msgBox_)
        return defaultButton(buttons);
    objects_->watchdog.pause();
    const int answer = msgBox_(prompt, buttons, title);
    objects_->watchdog.resume();
    return answer;
}

automation::DispatchRef ScriptControl::create(const QString& programId) {
    if (createObject_)
        return createObject_(programId);
    return createHostObject(programId, [this](const QString& p, int b, const QString& t) {
        return showMessage(p, b, t);
    });
}

}  // namespace scriptcontrol

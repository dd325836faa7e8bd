#include "tessen/dialogs.h"

#include "automation/private_library.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <atomic>
#include <dlfcn.h>

namespace tessen {
extern std::atomic<int> liveObjects;
}

namespace tessen::dialogs {
namespace {

constexpr const char* kUiLibrary = "libtessen_ui.so";

// The folder of this library: a host may load the control from anywhere, and
// its dialogs come from beside it.
QString ownFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&widgetsAvailable), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return automation::privateLibraryFolder();
}

void* uiSymbol(const char* name)
{
    if (!widgetsAvailable())
        return nullptr;
    static QLibrary* library = [] {
        auto* loaded = new QLibrary(QDir(ownFolder()).filePath(QString::fromLatin1(kUiLibrary)));
        loaded->setLoadHints(QLibrary::PreventUnloadHint);
        if (!loaded->load())
            qWarning("tessen: %s", qPrintable(loaded->errorString()));
        return loaded;
    }();
    return library->isLoaded() ? reinterpret_cast<void*>(library->resolve(name)) : nullptr;
}

template <typename Function>
Function* uiFunction(const char* name)
{
    return reinterpret_cast<Function*>(uiSymbol(name));
}

}  // namespace

bool widgetsAvailable()
{
    const QCoreApplication* app = QCoreApplication::instance();
    return app && app->inherits("QApplication");
}

void showAboutBox()
{
    if (auto* show = uiFunction<void()>("tessen_ui_about_box"))
        show();
}

void showProperties(QWidget* parent)
{
    if (auto* show = uiFunction<void(QWidget*)>("tessen_ui_properties"))
        show(parent);
}

void draw(QPainter& painter, const QRect& bounds)
{
    if (auto* paint = uiFunction<void(QPainter*, const QRect*)>("tessen_ui_draw"))
        paint(&painter, &bounds);
}

QObject* createPropertyPage(QObject* parent)
{
    auto* make = uiFunction<QObject*(QObject*)>("tessen_ui_property_page");
    QObject* page = make ? make(parent) : nullptr;
    // A page keeps the library loaded while it lives.
    if (page) {
        ++liveObjects;
        QObject::connect(page, &QObject::destroyed, [] { --liveObjects; });
    }
    return page;
}

}  // namespace tessen::dialogs

#include "tessen/dialogs.h"

#include "automation/private_library.h"
#include "tessen/server.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <atomic>

namespace tessen {
extern std::atomic<int> liveObjects;
}

namespace tessen::dialogs {
namespace {

constexpr const char* kUiLibrary = "libtessen_ui.so";

// A host may load the control from anywhere: its dialogs come from beside it.
void* uiSymbol(const char* name)
{
    if (!widgetsAvailable())
        return nullptr;
    const QString path = QDir(QFileInfo(libraryPath()).absolutePath()).filePath(QString::fromLatin1(kUiLibrary));
    QString error;
    void* symbol = automation::resolveLibrarySymbol(path, name, &error);
    if (!symbol)
        qWarning("tessen: %s", qPrintable(error));
    return symbol;
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

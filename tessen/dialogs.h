#pragma once
// What the control shows in a widget application: the About box, the
// Properties sheet with its page, and its drawing. They live in
// libtessen_ui beside this library, loaded the first time one is asked for,
// so that a host without widgets never maps Qt Gui or Widgets.

class QObject;
class QPainter;
class QRect;
class QWidget;

namespace tessen::dialogs {

// Whether a widget application runs, so that widgets can be shown.
bool widgetsAvailable();
// Each does nothing without a widget application or without libtessen_ui.
void showAboutBox();
void showProperties(QWidget* parent);
void draw(QPainter& painter, const QRect& bounds);
// The property page; null where none can be made.
QObject* createPropertyPage(QObject* parent);

}  // namespace tessen::dialogs

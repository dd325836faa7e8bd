#pragma once
// CTelnetView: the router screens view. It shows the router's screen as plain
// text with the caret at the router's cursor and sends the user's keys to the
// router; the driver behind it does the menu walking.

#include <QByteArray>
#include <QPlainTextEdit>

#include <functional>

class QKeyEvent;

namespace korvane {

// The bytes a key press sends to the router, empty when it sends nothing.
// Enter, Tab, Esc and the arrows have their own codes; any other key sends its
// typed character as one byte.
QByteArray KeysForKey(int key, Qt::KeyboardModifiers modifiers, const QString& text);

class CTelnetView : public QPlainTextEdit {
    Q_OBJECT
public:
    static inline const QString kHelpTopic = QStringLiteral("Korvane.chm::/The_Router_Screens_View.htm");
    static constexpr int kControlId = 1026;

    explicit CTelnetView(QWidget* parent = nullptr);

    // Keys typed by the user go here (the driver's SendKeys).
    void setKeySender(std::function<void(const QString&)> sender) { sender_ = std::move(sender); }

public slots:
    // The whole text becomes the screen; the caret stands at offset.
    void showScreen(const QString& text, int caretOffset);
    void clearScreen();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;

private:
    std::function<void(const QString&)> sender_;
};

}  // namespace korvane

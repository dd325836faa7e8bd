#include "korvane/views/telnet_view.h"

#include "korvane/help/help_topic.h"

#include <QFont>
#include <QKeyEvent>
#include <QTextCursor>

namespace korvane {

QByteArray KeysForKey(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    Q_UNUSED(modifiers);
    switch (key) {
    case Qt::Key_Return:
    case Qt::Key_Enter: return QByteArrayLiteral("\r\n");
    case Qt::Key_Tab: return QByteArray(1, '\t');
    case Qt::Key_Escape: return QByteArray(1, '\x1b');
    case Qt::Key_Left: return QByteArrayLiteral("\x1b[D");
    case Qt::Key_Up: return QByteArrayLiteral("\x1b[A");
    case Qt::Key_Right: return QByteArrayLiteral("\x1b[C");
    case Qt::Key_Down: return QByteArrayLiteral("\x1b[B");
    default: break;
    }
    // One single-byte character; anything the router's character set cannot
    // carry is not sent rather than sent mangled.
    if (text.size() != 1 || text[0].unicode() > 0xff)
        return {};
    return QByteArray(1, char(text[0].unicode()));
}

CTelnetView::CTelnetView(QWidget* parent) : QPlainTextEdit(parent) {
    setReadOnly(true);
    // Read-only but keyboard-driven: keep the caret visible and the focus.
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    setFont(font);
    setCursorWidth(2);
}

void CTelnetView::showScreen(const QString& text, int caretOffset) {
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    setPlainText(shown);
    QTextCursor cursor = textCursor();
    // Rows are 82 characters in the screen text (CR LF) but 81 in the edit.
    const int rowStride = 82;
    const int row = caretOffset / rowStride;
    const int column = caretOffset % rowStride;
    cursor.setPosition(qBound(0, row * 81 + qMin(column, 80), document()->characterCount() - 1));
    setTextCursor(cursor);
}

void CTelnetView::clearScreen() { clear(); }

void CTelnetView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Copy)) {
        copy();
        return;
    }
    if (event->key() == Qt::Key_F1) {
        showHelpTopic(kHelpTopic);
        return;
    }
    const QByteArray keys = KeysForKey(event->key(), event->modifiers(), event->text());
    if (keys.isEmpty()) {
        QPlainTextEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    if (sender_)
        sender_(QString::fromLatin1(keys));
}

bool CTelnetView::event(QEvent* event) {
    // Tab must reach the router, not move the focus.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
            keyPressEvent(key);
            return true;
        }
    }
    if (event->type() == QEvent::WhatsThis) {
        showHelpTopic(kHelpTopic);
        return true;
    }
    return QPlainTextEdit::event(event);
}

}  // namespace korvane

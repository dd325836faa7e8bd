#pragma once
// The router address field: four numbers 0-255 with the dots drawn between
// them. Typing three digits or a '.' moves on to the next number, Backspace at
// the start of a number and the arrow keys move back and forth, and a pasted
// address fills all four numbers. Tab leaves the field as a whole.
//
// The address the field gives back is the text it was given until the user
// edits a number, so an address the four numbers cannot show (a host name, or
// an address with a port from the command line) survives an OK untouched.
// Such a text is shown beside the field (note()); a ":port" is kept when the
// numbers are edited.

#include <QFrame>
#include <QString>

#include <array>

class QLineEdit;

namespace korvane {

class IpAddressField : public QFrame {
    Q_OBJECT
public:
    explicit IpAddressField(QWidget* parent = nullptr);

    // Fills the numbers; does not count as an edit.
    void setAddress(const QString& address);
    // The dotted address (blank numbers read as 0), or the text given to
    // setAddress while nothing was edited.
    QString address() const;
    // What the numbers do not show: empty, ":port", or a whole host name.
    QString note() const;
    bool isEdited() const { return edited_; }

    QLineEdit* octet(int index) const { return octets_[std::size_t(index)]; }

signals:
    // The user changed a number.
    void addressEdited();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int indexOf(QObject* object) const;
    void focusOctet(int index, bool atEnd, bool selectAll);
    void octetEdited(int index);
    bool pasteAddress(int index, const QString& text);
    void markEdited();

    std::array<QLineEdit*, 4> octets_{};
    QString original_;
    QString suffix_;
    bool edited_ = false;
};

}  // namespace korvane

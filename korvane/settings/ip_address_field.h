#pragma once
// The router address field: four numbers 0-255 with the dots drawn between
// them. Typing three digits or a '.' moves on to the next number, Backspace at
// the start of a number and the arrow keys move back and forth, and a pasted
// address fills all four numbers. Tab leaves the field as a whole.
//
// The address the field gives back is the text it was given until the user
// edits a number, so an address with a port survives an OK untouched; its
// ":port" is shown beside the field (note()) and kept when the numbers are
// edited. As on the command line, a host name and a port may be given too:
// a letter or ':' typed into the numbers (or such a text pasted) turns
// the field into one text box holding the whole address, and an address the
// numbers cannot show is given to it that way.

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
    // Whether the field is the one text box (a host name, an address with a
    // port typed in) rather than the four numbers.
    bool isTextMode() const { return textMode_; }
    QLineEdit* hostEdit() const { return host_; }

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
    void setTextMode(bool on);

    std::array<QLineEdit*, 4> octets_{};
    std::array<QWidget*, 3> dots_{};
    QLineEdit* host_ = nullptr;
    bool textMode_ = false;
    QString original_;
    QString suffix_;
    bool edited_ = false;
};

}  // namespace korvane

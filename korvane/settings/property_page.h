#pragma once
// One page of the properties sheet. The sheet opens a page the first time it
// becomes active in a showing (its controls are filled from the values and the
// values are remembered as those at opening), applies every page opened in
// that showing on OK or Apply, and sets every opened page back on Cancel.
// Controls are placed in dialog units and follow the page's font.

#include "korvane/settings/dialog_units.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

class QAbstractButton;

namespace korvane {

class PropertyPage : public QWidget {
    Q_OBJECT
public:
    // The size of every page, in dialog units.
    static constexpr int kWidthUnits = 230;
    static constexpr int kHeightUnits = 65;

    PropertyPage(const QString& title, const QString& helpAnchor, QWidget* parent = nullptr);

    QString title() const { return title_; }
    QString helpAnchor() const { return helpAnchor_; }

    bool isModified() const { return modified_; }
    void setModified(bool modified);

    bool isOpened() const { return opened_; }
    void openPage();
    // The sheet closed: the next showing opens the page afresh.
    void closePage() { opened_ = false; }
    // OK or Apply: controls to values, values to the store, mark cleared.
    virtual void applyPage() = 0;
    // Cancel: the values as they were at opening.
    virtual void cancelPage() = 0;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void modifiedChanged(bool modified);

protected:
    virtual void fillControls() = 0;
    virtual void rememberOpening() = 0;
    // After opening; the Script and Sound pages mark themselves changed here.
    virtual void opened() {}

    // Puts a control at a place given in dialog units.
    void place(QWidget* widget, int x, int y, int width, int height);
    // A browse button: an icon, or "..." where the style has none.
    QAbstractButton* makeBrowseButton();
    void changeEvent(QEvent* event) override;

private:
    void layoutControls();
    static QRect fitted(const QWidget* widget, QRect rect);

    struct Placement {
        QWidget* widget;
        QRect units;
    };
    QString title_;
    QString helpAnchor_;
    QList<Placement> placements_;
    bool modified_ = false;
    bool opened_ = false;
};

}  // namespace korvane

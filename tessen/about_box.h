#pragma once
// The control's about dialog and its icon.

#include <QDialog>
#include <QPixmap>

class CTessenAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CTessenAboutDlg(QWidget* parent = nullptr);
};

namespace tessen {
// The control's icon: a small terminal with a prompt, drawn rather than shipped.
QPixmap controlIcon(int size = 32);
}  // namespace tessen

#pragma once

#include <QDialog>

namespace korvane {

// "About Korvane": the program's name and version with an OK button.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

// The program's own icon: the two meters of the tray on a rounded tile.
QIcon korvaneAppIcon();

}  // namespace korvane

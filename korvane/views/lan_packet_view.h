#pragma once
// CLanPacketView: the LAN packet that made the router place its last call,
// as hex text the user may edit, decoded on "Analyze" into property/value
// rows listed in ascending order of their labels.

#include "korvane/model/application.h"

#include <QPointer>
#include <QScrollArea>
#include <QString>

class QButtonGroup;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTreeWidget;

namespace korvane {

class CLanPacketView : public QScrollArea {
    Q_OBJECT
public:
    static inline const QString kHelpTopic = QStringLiteral("Korvane.chm::/The_LAN_Packet_Analyzer_View.htm");
    enum TypeChoice { Ip = 0, Ipx = 1 };

    explicit CLanPacketView(CApplication* application = nullptr, QWidget* parent = nullptr);

    // Where activation takes the packet text and its IPX flag from. Without
    // one, activation leaves the view as it is.
    void setApplication(CApplication* application);
    CApplication* application() const { return application_; }

    // The members behind the controls, as the last exchange left them. Line
    // breaks in the packet text are CR LF.
    const QString& packetText() const { return packetText_; }
    int typeChoice() const { return typeChoice_; }

    QPlainTextEdit* packetEdit() const { return packetEdit_; }
    QPushButton* analyzeButton() const { return analyzeButton_; }
    QRadioButton* ipButton() const { return ipButton_; }
    QRadioButton* ipxButton() const { return ipxButton_; }
    QTreeWidget* propertyList() const { return propertyList_; }
    QWidget* form() const { return form_; }

public slots:
    // Decodes what the controls hold and lists the rows.
    void Analyze();
    // The frame calls this when the view is shown: the last-call packet
    // replaces the text box, and is analysed once the activation is over.
    void OnActivateView();
    // The connection settings changed: the old router's packet goes.
    void Clear();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Controls to members (true) or members to controls (false).
    void UpdateData(bool saveAndValidate);
    void layoutForm();

    QPointer<CApplication> application_;
    QString packetText_;
    int typeChoice_ = Ip;

    QWidget* form_ = nullptr;
    QPlainTextEdit* packetEdit_ = nullptr;
    QPushButton* analyzeButton_ = nullptr;
    QRadioButton* ipButton_ = nullptr;
    QRadioButton* ipxButton_ = nullptr;
    QButtonGroup* typeGroup_ = nullptr;
    QTreeWidget* propertyList_ = nullptr;
};

}  // namespace korvane

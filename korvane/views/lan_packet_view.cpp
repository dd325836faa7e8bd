#include "korvane/views/lan_packet_view.h"

#include "korvane/help/help_topic.h"
#include "korvane/model/application.h"
#include "korvane/packet/hex_text.h"
#include "korvane/packet/packet_properties.h"
#include "korvane/settings/dialog_units.h"

#include <QButtonGroup>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>

#include <algorithm>

namespace korvane {

namespace {
// The form, in dialog units.
constexpr int kFormWidth = 320;
constexpr int kFormHeight = 239;
constexpr int kInitialColumnWidth = 100;

// The status screen joins the packet's two rows of 71 characters with one
// blank; the box shows them as two lines again.
constexpr qsizetype kScreenRowLength = 71;

// The list keeps its rows in ascending order of the first column, letters
// compared without regard to case first.
bool labelBefore(const QString& a, const QString& b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
}

bool isEnterKey(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}
}  // namespace

CLanPacketView::CLanPacketView(CApplication* application, QWidget* parent)
    : QScrollArea(parent), application_(application)
{
    // A fixed-size form, scrolled when the frame is smaller.
    form_ = new QWidget;
    form_->installEventFilter(this);
    setWidget(form_);
    setWidgetResizable(false);
    setFrameShape(QFrame::NoFrame);

    packetEdit_ = new QPlainTextEdit(form_);
    packetEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
    packetEdit_->setTabChangesFocus(true);
    packetEdit_->installEventFilter(this);

    analyzeButton_ = new QPushButton(QStringLiteral("Analyze"), form_);
    analyzeButton_->setDefault(true);
    connect(analyzeButton_, &QPushButton::clicked, this, &CLanPacketView::Analyze);

    ipButton_ = new QRadioButton(QStringLiteral("IP"), form_);
    ipxButton_ = new QRadioButton(QStringLiteral("IPX"), form_);
    typeGroup_ = new QButtonGroup(this);
    typeGroup_->addButton(ipButton_, Ip);
    typeGroup_->addButton(ipxButton_, Ipx);

    propertyList_ = new QTreeWidget(form_);
    propertyList_->setColumnCount(2);
    propertyList_->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    propertyList_->setRootIsDecorated(false);
    propertyList_->setItemsExpandable(false);
    propertyList_->setUniformRowHeights(true);
    propertyList_->setSelectionMode(QAbstractItemView::SingleSelection);
    propertyList_->setSortingEnabled(false);  // the order is kept on insertion
    propertyList_->header()->setSectionsClickable(false);
    propertyList_->header()->setStretchLastSection(false);
    propertyList_->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    propertyList_->setColumnWidth(0, kInitialColumnWidth);
    propertyList_->setColumnWidth(1, kInitialColumnWidth);

    setFocusProxy(packetEdit_);
    setTabOrder(packetEdit_, analyzeButton_);
    setTabOrder(analyzeButton_, ipButton_);
    setTabOrder(ipButton_, ipxButton_);
    setTabOrder(ipxButton_, propertyList_);

    layoutForm();
    UpdateData(false);
}

void CLanPacketView::setApplication(CApplication* application)
{
    application_ = application;
}

void CLanPacketView::layoutForm()
{
    const DialogUnits units(form_->font());
    form_->setFixedSize(units.size(kFormWidth, kFormHeight));
    packetEdit_->setGeometry(units.rect(7, 7, 252, 44));
    analyzeButton_->setGeometry(units.rect(263, 7, 50, 14));
    ipButton_->setGeometry(units.rect(274, 26, 23, 10));
    ipxButton_->setGeometry(units.rect(274, 39, 27, 10));
    propertyList_->setGeometry(units.rect(7, 55, 306, 177));
}

void CLanPacketView::UpdateData(bool saveAndValidate)
{
    if (saveAndValidate) {
        // The box's lines come back CR LF separated, as the member keeps them.
        packetText_ = packetEdit_->toPlainText().replace(u'\n', QLatin1String("\r\n"));
        typeChoice_ = ipxButton_->isChecked() ? Ipx : Ip;
        return;
    }
    QString shown = packetText_;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(u'\r', u'\n');
    packetEdit_->setPlainText(shown);
    (typeChoice_ == Ipx ? ipxButton_ : ipButton_)->setChecked(true);
}

void CLanPacketView::Analyze()
{
    UpdateData(true);
    const CPacketProperties properties(HexTextToBytes(packetText_), typeChoice_ == Ip);

    propertyList_->clear();
    for (int i = 0; i < properties.GetCount(); ++i) {
        QString label, value;
        properties.GetAt(i, label, value);
        // After the rows with the same or an earlier label.
        int low = 0;
        int high = propertyList_->topLevelItemCount();
        while (low < high) {
            const int mid = (low + high) / 2;
            if (labelBefore(label, propertyList_->topLevelItem(mid)->text(0)))
                high = mid;
            else
                low = mid + 1;
        }
        auto* item = new QTreeWidgetItem(QStringList{label, value});
        propertyList_->insertTopLevelItem(low, item);
    }
    propertyList_->resizeColumnToContents(0);
    propertyList_->resizeColumnToContents(1);
}

void CLanPacketView::OnActivateView()
{
    if (!application_)
        return;
    QString text = application_->lastCallLanPacket();
    if (text.size() > kScreenRowLength + 1)
        text = text.left(kScreenRowLength) + QLatin1String("\r\n") + text.mid(kScreenRowLength + 1);
    packetText_ = text;
    typeChoice_ = application_->lastCallPacketIsIpx() ? Ipx : Ip;
    UpdateData(false);
    // After the activation has finished, like a posted command; dropped if the
    // view goes first.
    if (!packetText_.isEmpty())
        QMetaObject::invokeMethod(this, &CLanPacketView::Analyze, Qt::QueuedConnection);
}

void CLanPacketView::Clear()
{
    packetText_.clear();
    propertyList_->clear();
    UpdateData(false);
}

void CLanPacketView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::NoModifier) {
        showHelpTopic(kHelpTopic);
        event->accept();
        return;
    }
    // Enter anywhere on the form presses the default button.
    if (isEnterKey(event) && !(event->modifiers() & ~Qt::KeypadModifier)) {
        Analyze();
        event->accept();
        return;
    }
    QScrollArea::keyPressEvent(event);
}

bool CLanPacketView::event(QEvent* event)
{
    if (event->type() == QEvent::WhatsThis || event->type() == QEvent::HelpRequest) {
        showHelpTopic(kHelpTopic);
        return true;
    }
    return QScrollArea::event(event);
}

bool CLanPacketView::eventFilter(QObject* watched, QEvent* event)
{
    // The text box is a dialog's edit without a want-return style: Enter goes
    // to the default button, Ctrl+Enter starts a new line.
    if (watched == packetEdit_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isEnterKey(key)) {
            if (key->modifiers() & Qt::ControlModifier)
                packetEdit_->textCursor().insertText(QStringLiteral("\n"));
            else
                Analyze();
            return true;
        }
    }
    // The dialog units follow the form's font.
    if (watched == form_ && event->type() == QEvent::FontChange)
        layoutForm();
    return QScrollArea::eventFilter(watched, event);
}

}  // namespace korvane

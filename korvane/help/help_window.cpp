#include "korvane/help/help_window.h"

#include "korvane/help/help_topic.h"

#include <QApplication>
#include <QFile>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QStyle>
#include <QTextBrowser>
#include <QToolButton>
#include <QVBoxLayout>

namespace korvane {

const QList<HelpPage>& helpPages()
{
    static const QList<HelpPage> pages = {
        {"introduction.htm", "Introduction"},
        {"The_Status_View.htm", "The Status View"},
        {"The_Router_Screens_View.htm", "The Router Screens View"},
        {"The_Syslog_View.htm", "The Syslog View"},
        {"The_Call_History_View.htm", "The Call History View"},
        {"The_Graphs_View.htm", "The Graphs View"},
        {"The_LAN_Packet_Analyzer_View.htm", "The LAN Packet Analyzer View"},
        {"The_Call_Log_View.htm", "The Call Log View"},
        {"Korvane_Configuration.htm", "Korvane Configuration"},
        {"Writing_Scripts.htm", "Writing Scripts"},
        {"Run_Script_Function_Dialog.htm", "Run Script Function Dialog"},
    };
    return pages;
}

bool helpPageExists(const QString& page)
{
    return !page.isEmpty() && !page.contains(QLatin1Char('/')) && QFile::exists(QLatin1String(":/help/") + page);
}

QUrl helpUrl(const QString& topic)
{
    const HelpTopic t = parseHelpTopic(topic);
    QUrl url(QLatin1String("qrc:/help/") + (t.page.isEmpty() ? QStringLiteral("introduction.htm") : t.page));
    if (!t.anchor.isEmpty())
        url.setFragment(t.anchor);
    return url;
}

namespace {

// Shown for a topic the program asks for but has no page of: better than an empty window.
class HelpBrowser : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;
    QVariant loadResource(int type, const QUrl& name) override
    {
        QVariant v = QTextBrowser::loadResource(type, name);
        if (type == QTextDocument::HtmlResource && !v.isValid())
            return QStringLiteral("<html><body><h2>Page not found</h2><p>The help page <b>%1</b> is not part of "
                                  "this version of Korvane.</p><p><a href=\"qrc:/help/introduction.htm\">Back to the "
                                  "introduction</a></p></body></html>")
                .arg(name.fileName().toHtmlEscaped());
        return v;
    }
};

}  // namespace

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setWindowTitle(QStringLiteral("Korvane Help"));
    browser_ = new HelpBrowser(this);
    browser_->setOpenExternalLinks(true);
    browser_->setSearchPaths({QStringLiteral(":/help")});
    contents_ = new QListWidget(this);
    for (const HelpPage& p : helpPages()) {
        auto* item = new QListWidgetItem(QLatin1String(p.title), contents_);
        item->setData(Qt::UserRole, QLatin1String(p.file));
    }
    contents_->setMinimumWidth(170);

    auto button = [this](QStyle::StandardPixmap icon, const QString& text) {
        auto* b = new QToolButton(this);
        b->setIcon(style()->standardIcon(icon));
        b->setText(text);
        b->setToolTip(text);
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setAutoRaise(true);
        return b;
    };
    back_ = button(QStyle::SP_ArrowBack, QStringLiteral("Back"));
    forward_ = button(QStyle::SP_ArrowForward, QStringLiteral("Forward"));
    QToolButton* home = button(QStyle::SP_DirHomeIcon, QStringLiteral("Contents"));
    back_->setEnabled(false);
    forward_->setEnabled(false);
    connect(back_, &QToolButton::clicked, browser_, &QTextBrowser::backward);
    connect(forward_, &QToolButton::clicked, browser_, &QTextBrowser::forward);
    connect(home, &QToolButton::clicked, this, [this] { showTopic(QStringLiteral("introduction.htm")); });
    connect(browser_, &QTextBrowser::backwardAvailable, back_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::forwardAvailable, forward_, &QToolButton::setEnabled);
    connect(browser_, &QTextBrowser::sourceChanged, this, [this](const QUrl& url) { syncContents(url); });
    connect(contents_, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) {
        showTopic(item->data(Qt::UserRole).toString());
    });
    connect(contents_, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        showTopic(item->data(Qt::UserRole).toString());
    });

    auto* bar = new QHBoxLayout;
    bar->addWidget(back_);
    bar->addWidget(forward_);
    bar->addWidget(home);
    bar->addStretch();
    auto* split = new QSplitter(this);
    split->addWidget(contents_);
    split->addWidget(browser_);
    split->setStretchFactor(1, 1);
    split->setSizes({190, 630});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(bar);
    layout->addWidget(split, 1);
    resize(820, 600);
}

void HelpWindow::showTopic(const QString& topic)
{
    const QUrl url = helpUrl(topic);
    if (browser_->source().adjusted(QUrl::RemoveFragment) == url.adjusted(QUrl::RemoveFragment) &&
        url.hasFragment())
        browser_->scrollToAnchor(url.fragment());
    browser_->setSource(url);
    syncContents(browser_->source());
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

QUrl HelpWindow::currentSource() const { return browser_->source(); }

void HelpWindow::syncContents(const QUrl& url)
{
    const QString file = url.fileName();
    for (int i = 0; i < contents_->count(); ++i) {
        if (contents_->item(i)->data(Qt::UserRole).toString() == file) {
            const QSignalBlocker block(contents_);
            contents_->setCurrentRow(i);
            return;
        }
    }
    contents_->clearSelection();
}

HelpWindow* HelpWindow::instance()
{
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    return window;
}

void installHelpWindow()
{
    setHelpTopicHandler([](const QString& topic) { HelpWindow::instance()->showTopic(topic); });
}

}  // namespace korvane

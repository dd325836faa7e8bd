#pragma once
// The help window: the program's own help pages (built in) with a contents
// list, back, forward and home. Topics are named as views and dialogs ask for
// them, "Korvane.chm::/Page.htm#anchor".

#include <QUrl>
#include <QWidget>

class QListWidget;
class QTextBrowser;
class QToolButton;

namespace korvane {

struct HelpPage {
    const char* file;
    const char* title;
};
// The pages in contents order.
const QList<HelpPage>& helpPages();
// The built-in location of a topic's page, with its anchor as the fragment.
QUrl helpUrl(const QString& topic);
bool helpPageExists(const QString& page);

class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    void showTopic(const QString& topic);
    QTextBrowser* browser() const { return browser_; }
    QListWidget* contents() const { return contents_; }
    QUrl currentSource() const;

    // The one help window of the program, created on first use.
    static HelpWindow* instance();

private:
    void syncContents(const QUrl& url);

    QTextBrowser* browser_;
    QListWidget* contents_;
    QToolButton* back_;
    QToolButton* forward_;
};

// Makes the help window the handler of showHelpTopic.
void installHelpWindow();

}  // namespace korvane

#pragma once
// Help topics are named as "Korvane.chm::/Page.htm" or "Korvane.chm::/Page.htm#anchor".
// Views and dialogs ask for a topic here; the frame installs the handler that
// shows it in the help window. Without a handler a request does nothing.

#include <QString>

#include <functional>

namespace korvane {

using HelpTopicHandler = std::function<void(const QString& topic)>;

void setHelpTopicHandler(HelpTopicHandler handler);
void showHelpTopic(const QString& topic);

// "Korvane.chm::/The_Status_View.htm#x" -> page "The_Status_View.htm", anchor "x".
struct HelpTopic {
    QString page;
    QString anchor;
};
HelpTopic parseHelpTopic(const QString& topic);

}  // namespace korvane

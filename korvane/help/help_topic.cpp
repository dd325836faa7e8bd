#include "korvane/help/help_topic.h"

namespace korvane {

namespace {
HelpTopicHandler& handler()
{
    static HelpTopicHandler h;
    return h;
}
}  // namespace

void setHelpTopicHandler(HelpTopicHandler h) { handler() = std::move(h); }

void showHelpTopic(const QString& topic)
{
    if (handler())
        handler()(topic);
}

HelpTopic parseHelpTopic(const QString& topic)
{
    QString rest = topic;
    const qsizetype marker = rest.indexOf(QLatin1String("::/"));
    if (marker >= 0)
        rest = rest.mid(marker + 3);
    HelpTopic result;
    const qsizetype hash = rest.indexOf(QLatin1Char('#'));
    result.page = hash >= 0 ? rest.left(hash) : rest;
    result.anchor = hash >= 0 ? rest.mid(hash + 1) : QString();
    return result;
}

}  // namespace korvane

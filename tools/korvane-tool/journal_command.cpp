// korvane-tool journal [--router ADDR] list|summary|export [--since DATE] [--csv|--json]:
// the call journal of one router, read from the command line.

#include "tool_command.h"

#include "korvane/journal/call_export.h"
#include "korvane/journal/call_journal.h"
#include "korvane/journal/journal_settings.h"
#include "korvane/settings/settings_store.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

namespace {

using namespace korvane;

const char kUsage[] = "usage: korvane-tool journal [--router ADDR] list|summary|export [--since DATE] [--csv|--json]\n";

// "2024-05-01" or "2024-05-01T12:30[:00]", local time; -1 when not a date.
qint64 parseSince(const QString& text)
{
    QDateTime when = QDateTime::fromString(text, Qt::ISODate);
    if (!when.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (!day.isValid())
            return -1;
        when = day.startOfDay();
    }
    return when.toSecsSinceEpoch();
}

QString localText(qint64 utc)
{
    return QDateTime::fromSecsSinceEpoch(utc).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

int runJournal(const QStringList& args)
{
    SettingsStore store;
    QString router = store.readString(QString::fromLatin1(settings::kSection),
                                      QString::fromLatin1(settings::kLastIpAddress),
                                      QString::fromLatin1(settings::kDefaultRouterAddress));
    bool routerGiven = false;
    QString command;
    qint64 since = 0;
    enum { Text, Csv, Json } format = Text;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--router") && i + 1 < args.size()) {
            router = args[++i];
            routerGiven = true;
        } else if (a == QLatin1String("--since") && i + 1 < args.size()) {
            since = parseSince(args[++i]);
            if (since < 0) {
                toolErr(QStringLiteral("korvane-tool journal: not a date: %1 (use YYYY-MM-DD)\n").arg(args[i]));
                return 2;
            }
        } else if (a == QLatin1String("--csv")) {
            format = Csv;
        } else if (a == QLatin1String("--json")) {
            format = Json;
        } else if (command.isEmpty() && (a == QLatin1String("list") || a == QLatin1String("summary") ||
                                         a == QLatin1String("export"))) {
            command = a;
        } else {
            toolErr(QString::fromLatin1(kUsage));
            return 2;
        }
    }
    if (command.isEmpty()) {
        toolErr(QString::fromLatin1(kUsage));
        return 2;
    }
    if (command == QLatin1String("export") && format == Text)
        format = Csv;

    QString file = CallJournal::fileForRouter(CallJournal::defaultDirectory(), router);
    if (!QFileInfo::exists(file) && !routerGiven) {
        // No journal for the last router, but only one journal at all: that one.
        const QStringList journals = QDir(CallJournal::defaultDirectory())
                                         .entryList({QStringLiteral("journal-*.sqlite")}, QDir::Files);
        if (journals.size() == 1) {
            file = QDir(CallJournal::defaultDirectory()).filePath(journals.first());
            router = journals.first().mid(8).chopped(7);
        }
    }
    if (!QFileInfo::exists(file)) {
        toolErr(QStringLiteral("korvane-tool journal: no journal for %1 (%2)\n").arg(router, file));
        return 1;
    }
    CallJournal journal(file);
    // A journal the monitor holds can still be read; one that cannot be read is an error.
    if (!journal.isOpen() && journal.schemaVersion() < 0) {
        toolErr(QStringLiteral("korvane-tool journal: %1\n").arg(journal.errorText()));
        return 1;
    }
    const Tariff tariff = JournalSettings::read(store).tariff;
    const QList<CallRecord> calls = journal.calls(since);

    if (command == QLatin1String("summary")) {
        CallTotals totals;
        for (const CallRecord& c : calls)
            totals.add(c, tariff);
        if (format == Json) {
            QJsonObject o{{QStringLiteral("router"), router},
                          {QStringLiteral("calls"), totals.calls},
                          {QStringLiteral("line1Seconds"), totals.onlineSeconds[0]},
                          {QStringLiteral("line2Seconds"), totals.onlineSeconds[1]},
                          {QStringLiteral("packetsSent"), totals.packetsSent},
                          {QStringLiteral("packetsReceived"), totals.packetsReceived}};
            if (tariff.isSet())
                o.insert(QStringLiteral("cost"), tariff.number(totals.cost));
            toolOut(QString::fromUtf8(QJsonDocument(o).toJson(QJsonDocument::Compact)) + u'\n');
        } else if (format == Csv) {
            QString text = QStringLiteral("Calls,Line 1 Seconds,Line 2 Seconds,Packets Sent,Packets Received%1\r\n")
                               .arg(tariff.isSet() ? QStringLiteral(",Cost") : QString());
            text += QStringLiteral("%1,%2,%3,%4,%5").arg(totals.calls).arg(totals.onlineSeconds[0])
                        .arg(totals.onlineSeconds[1]).arg(totals.packetsSent).arg(totals.packetsReceived);
            if (tariff.isSet())
                text += u',' + tariff.amount(totals.cost);
            toolOut(text + QLatin1String("\r\n"));
        } else {
            QString text = QStringLiteral("Router %1: %2 calls\n").arg(router).arg(totals.calls);
            text += QStringLiteral("Line 1 online %1\nLine 2 online %2\n")
                        .arg(durationText(totals.onlineSeconds[0]), durationText(totals.onlineSeconds[1]));
            text += QStringLiteral("Packets sent %1, received %2\n").arg(totals.packetsSent).arg(totals.packetsReceived);
            if (tariff.isSet())
                text += QStringLiteral("Cost %1\n").arg(tariff.format(totals.cost));
            toolOut(text);
        }
        return 0;
    }

    if (format == Csv) {
        toolOut(QString::fromUtf8(callsToCsv(calls, tariff)));
    } else if (format == Json) {
        toolOut(QString::fromUtf8(QJsonDocument(callsToJson(calls, tariff)).toJson(QJsonDocument::Compact)) + u'\n');
    } else {
        QString text;
        for (const CallRecord& c : calls) {
            const QString who = c.callerName.isEmpty() ? c.callerId : QStringLiteral("%1 (%2)").arg(c.callerName, c.callerId);
            text += QStringLiteral("%1  line %2 B%3  %4  %5  %6  %7%8\n")
                        .arg(localText(c.startUtc))
                        .arg(c.line)
                        .arg(c.channel)
                        .arg(durationText(c.durationSeconds()), 9)
                        .arg(callTypeText(c), -5)
                        .arg(who.isEmpty() ? c.link : who)
                        .arg(callEndText(c.ended))
                        .arg(tariff.isSet() ? QStringLiteral("  ") + tariff.format(tariff.cost(c))
                                            : QString());
        }
        toolOut(text);
    }
    return 0;
}

const ToolCommand journalCommand{"journal", "[--router ADDR] list|summary|export [--since DATE] [--csv|--json]",
                                 runJournal};

}  // namespace

#pragma once
// A call journal of many ended calls for the benches, written in one
// transaction: every third call an incoming voice call (half of them with a
// caller's name), the others outgoing data calls to a remote node, ten
// minutes apart up to now, on both lines.

#include "korvane/journal/call_journal.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <cstdio>

namespace korvane::bench {

inline bool fillJournal(const QString& file, int calls)
{
    CallJournal journal(file);
    QSqlDatabase db = QSqlDatabase::database(journal.connectionName());
    db.transaction();
    QSqlQuery q(db);
    q.prepare(QStringLiteral("INSERT INTO calls (line, channel, start_utc, end_utc, last_tick_utc, link, type, voice,"
                             " direction, peer_ip, caller_id, caller_name, packets_sent, packets_received, ended,"
                             " seconds) VALUES (?,?,?,?,?,?,64,?,?,coalesce(?, ''),?,coalesce(?, ''),?,?,'hung up',?)"));
    const qint64 start = QDateTime::currentSecsSinceEpoch() - qint64(calls) * 600;
    for (int i = 0; i < calls; ++i) {
        const bool voice = i % 3 == 0;
        const qint64 t = start + qint64(i) * 600;
        const int seconds = 30 + (i * 37) % 3000;
        for (const QVariant& v :
             {QVariant(1 + i % 2), QVariant(1 + i % 2), QVariant(t), QVariant(t + seconds), QVariant(t + seconds),
              QVariant(voice ? QStringLiteral("Voice") : QStringLiteral("Office %1").arg(i % 17)),
              QVariant(voice ? 1 : 0), QVariant(voice ? QStringLiteral("In") : QStringLiteral("Out")),
              QVariant(voice ? QString() : QStringLiteral("10.0.%1.%2").arg(i % 7).arg(i % 250)),
              QVariant(QStringLiteral("030%1").arg(1000000 + i % 5000)),
              QVariant(voice && i % 2 ? QStringLiteral("Caller %1").arg(i % 400) : QString()),
              QVariant(seconds * 3), QVariant(seconds * 5), QVariant(seconds)})
            q.addBindValue(v);
        if (!q.exec()) {
            std::fprintf(stderr, "cannot fill the journal %s\n", qPrintable(file));
            db.rollback();
            return false;
        }
    }
    return db.commit();
}

}  // namespace korvane::bench

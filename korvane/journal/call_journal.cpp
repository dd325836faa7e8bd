#include "korvane/journal/call_journal.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

namespace korvane {

namespace {

// Each step takes the schema from the version before it to its own number;
// a journal of any earlier release is brought up to date in order.
const char* const kMigrations[][8] = {
    // 1: the calls.
    {"CREATE TABLE calls ("
     " id INTEGER PRIMARY KEY,"
     " line INTEGER NOT NULL, channel INTEGER NOT NULL,"
     " start_utc INTEGER NOT NULL, end_utc INTEGER, last_tick_utc INTEGER NOT NULL,"
     " link TEXT NOT NULL DEFAULT '', type INTEGER NOT NULL DEFAULT 0, voice INTEGER NOT NULL DEFAULT 0,"
     " direction TEXT NOT NULL DEFAULT '', peer_ip TEXT NOT NULL DEFAULT '',"
     " caller_id TEXT NOT NULL DEFAULT '', caller_name TEXT NOT NULL DEFAULT '',"
     " packets_sent INTEGER NOT NULL DEFAULT 0, packets_received INTEGER NOT NULL DEFAULT 0,"
     " errors INTEGER NOT NULL DEFAULT 0, average_util INTEGER NOT NULL DEFAULT 0,"
     " peak_util INTEGER NOT NULL DEFAULT 0, ended TEXT)",
     "CREATE INDEX calls_start ON calls(start_utc)", nullptr},
    // 2: the router's call history rows.
    {"CREATE TABLE history ("
     " id INTEGER PRIMARY KEY, read_utc INTEGER NOT NULL,"
     " phone_number TEXT NOT NULL, direction TEXT NOT NULL, baud_rate INTEGER NOT NULL,"
     " no_of_calls INTEGER NOT NULL, min_time TEXT NOT NULL, max_time TEXT NOT NULL,"
     " total_time TEXT NOT NULL,"
     " UNIQUE(phone_number, direction, baud_rate, no_of_calls, min_time, max_time, total_time))",
     "CREATE INDEX calls_open ON calls(end_utc) WHERE end_utc IS NULL", nullptr},
    // 3: the router's own count of a call's seconds (its Up Time when last seen).
    {"ALTER TABLE calls ADD COLUMN seconds INTEGER", nullptr},
};
static_assert(std::size(kMigrations) == CallJournal::kSchemaVersion);


QAtomicInt connectionCounter;

QVariant secondsValue(const CallRecord& r)
{
    return r.seconds >= 0 ? QVariant(r.seconds) : QVariant(QMetaType(QMetaType::LongLong));
}

const char kCallColumns[] =
    "id, line, channel, start_utc, end_utc, last_tick_utc, link, type, voice, direction, peer_ip,"
    " caller_id, caller_name, packets_sent, packets_received, errors, average_util, peak_util, ended, seconds";

}  // namespace

struct CallJournal::Statements {
    explicit Statements(const QSqlDatabase& db) : insert(db), update(db), end(db) {}
    QSqlQuery insert;
    QSqlQuery update;
    QSqlQuery end;
};

QString CallJournal::defaultDirectory()
{
    const QString relocated = qEnvironmentVariable("KORVANE_SETTINGS_DIR");
    if (!relocated.isEmpty())
        return relocated;
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Omberon/Korvane"));
}

QString CallJournal::fileForRouter(const QString& directory, const QString& address)
{
    QString name = address.trimmed().isEmpty() ? QStringLiteral("router") : address.trimmed();
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    return QDir(directory).filePath(QStringLiteral("journal-%1.sqlite").arg(name));
}

CallJournal::CallJournal(const QString& file, Access access) : file_(file), access_(access) { open(); }

bool CallJournal::reopen()
{
    close();
    error_.clear();
    open();
    return open_;
}

void CallJournal::close()
{
    open_ = false;
    readable_ = false;
    statements_.reset();
    if (connection_.isEmpty())
        return;
    {
        QSqlDatabase db = QSqlDatabase::database(connection_, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(connection_);
    connection_.clear();
}

void CallJournal::open()
{
    const QString& file = file_;
    connection_ = QStringLiteral("korvane-journal-%1").arg(connectionCounter.fetchAndAddOrdered(1));
    if (access_ == Access::ReadOnly) {
        openForReading();
        return;
    }
    const QFileInfo info(file);
    if (!QDir().mkpath(info.absolutePath())) {
        fail(QStringLiteral("cannot create the folder %1").arg(info.absolutePath()), QString());
        return;
    }
    const bool existed = info.exists();
    if (!existed) {
        // Created empty first so that it is private before anything is in it.
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly)) {
            fail(QStringLiteral("cannot create %1").arg(file), f.errorString());
            return;
        }
        f.close();
    }
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);

    if (!connect(QString()))
        return;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    // A lock held elsewhere waits a little at start, never long on a tick.
    q.exec(QStringLiteral("PRAGMA busy_timeout = 250"));
    if (!q.exec(QStringLiteral("PRAGMA journal_mode = WAL")) || !q.next()) {
        fail(QStringLiteral("cannot prepare %1").arg(file), q.lastError().text());
        return;
    }
    q.exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    q.exec(QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
    if (!migrate())
        return;
    // The first write to a log flushes its header to disk: done here, at
    // open, rather than by the first call's insert inside a status tick. A
    // journal that cannot be written shows that on the first real write.
    q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    for (const char* suffix : {"-wal", "-shm"})
        if (QFile::exists(file + QLatin1String(suffix)))
            QFile::setPermissions(file + QLatin1String(suffix), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    q.exec(QStringLiteral("PRAGMA busy_timeout = 3"));

    statements_ = std::make_unique<Statements>(db);
    const bool prepared =
        statements_->insert.prepare(QStringLiteral(
            "INSERT INTO calls (line, channel, start_utc, last_tick_utc, link, type, voice, direction, peer_ip,"
            " caller_id, caller_name, packets_sent, packets_received, errors, average_util, peak_util, seconds)"
            " VALUES (?,?,?,?,coalesce(?, ''),?,?,coalesce(?, ''),coalesce(?, ''),coalesce(?, ''),coalesce(?, ''),"
            "?,?,?,?,?,?)"))
        && statements_->update.prepare(QStringLiteral(
            "UPDATE calls SET last_tick_utc=?, channel=?, link=coalesce(?, ''), type=?, voice=?,"
            " direction=coalesce(?, ''), peer_ip=coalesce(?, ''), caller_id=coalesce(?, ''),"
            " caller_name=coalesce(?, ''), packets_sent=?, packets_received=?, errors=?, average_util=?,"
            " peak_util=?, seconds=?, start_utc=?, end_utc=?, ended=? WHERE id=?"))
        && statements_->end.prepare(QStringLiteral("UPDATE calls SET end_utc=?, ended=? WHERE id=?"));
    if (!prepared) {
        fail(QStringLiteral("cannot prepare %1").arg(file), statements_->update.lastError().text());
        return;
    }
    open_ = true;
}

void CallJournal::openForReading()
{
    if (!QFileInfo::exists(file_)) {
        fail(QStringLiteral("%1 does not exist").arg(file_), QString());
        return;
    }
    connect(QStringLiteral("QSQLITE_OPEN_READONLY"));
}

bool CallJournal::connect(const QString& options)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    if (!db.isValid())
        return fail(QStringLiteral("SQLite is not available"), db.lastError().text());
    db.setDatabaseName(file_);
    db.setConnectOptions(options);
    if (!db.open())
        return fail(QStringLiteral("cannot open %1").arg(file_), db.lastError().text());
    QSqlQuery q(db);
    // A corrupt file shows itself on the first read of the schema.
    if (!q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")))
        return fail(QStringLiteral("%1 is not a readable journal").arg(file_), q.lastError().text());
    readable_ = true;
    return true;
}

CallJournal::~CallJournal()
{
    checkpoint();
    close();
}

bool CallJournal::fail(const QString& what, const QString& detail)
{
    if (error_.isEmpty())
        error_ = detail.trimmed().isEmpty() ? what : QStringLiteral("%1: %2").arg(what, detail.trimmed());
    open_ = false;
    return false;
}

int CallJournal::schemaVersion() const
{
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("PRAGMA user_version")) || !q.next())
        return -1;
    return q.value(0).toInt();
}

bool CallJournal::migrate()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    const int version = schemaVersion();
    if (version < 0)
        return fail(QStringLiteral("cannot read the version of %1").arg(file_), db.lastError().text());
    if (version > kSchemaVersion)
        return fail(QStringLiteral("%1 was written by a newer Korvane (journal version %2)").arg(file_).arg(version),
                    QString());
    for (int step = version; step < kSchemaVersion; ++step) {
        if (!db.transaction())
            return fail(QStringLiteral("cannot update %1").arg(file_), db.lastError().text());
        QSqlQuery q(db);
        for (const char* const* sql = kMigrations[step]; *sql; ++sql) {
            if (!q.exec(QString::fromLatin1(*sql))) {
                const QString why = q.lastError().text();
                db.rollback();
                return fail(QStringLiteral("cannot update %1").arg(file_), why);
            }
        }
        if (!q.exec(QStringLiteral("PRAGMA user_version = %1").arg(step + 1)) || !db.commit()) {
            const QString why = q.lastError().text().trimmed().isEmpty() ? db.lastError().text() : q.lastError().text();
            db.rollback();
            return fail(QStringLiteral("cannot update %1").arg(file_), why);
        }
    }
    return true;
}

bool CallJournal::startCall(CallRecord& r)
{
    if (!open_)
        return false;
    // Prepared once: a call starts inside a status tick.
    QSqlQuery& q = statements_->insert;
    int i = 0;
    for (const QVariant& v : {QVariant(r.line), QVariant(r.channel), QVariant(r.startUtc), QVariant(r.lastTickUtc),
                              QVariant(r.link), QVariant(r.type), QVariant(r.voice ? 1 : 0), QVariant(r.direction),
                              QVariant(r.peerIp), QVariant(r.callerId), QVariant(r.callerName),
                              QVariant(r.packetsSent), QVariant(r.packetsReceived), QVariant(r.errors),
                              QVariant(r.averageUtilization), QVariant(r.peakUtilization), secondsValue(r)})
        q.bindValue(i++, v);
    if (!q.exec())
        return fail(QStringLiteral("cannot write to %1").arg(file_), q.lastError().text());
    r.id = q.lastInsertId().toLongLong();
    return true;
}

bool CallJournal::updateCall(const CallRecord& r)
{
    if (!open_)
        return false;
    QSqlQuery& q = statements_->update;
    int i = 0;
    for (const QVariant& v : {QVariant(r.lastTickUtc), QVariant(r.channel), QVariant(r.link), QVariant(r.type),
                              QVariant(r.voice ? 1 : 0), QVariant(r.direction), QVariant(r.peerIp),
                              QVariant(r.callerId), QVariant(r.callerName), QVariant(r.packetsSent),
                              QVariant(r.packetsReceived), QVariant(r.errors), QVariant(r.averageUtilization),
                              QVariant(r.peakUtilization), secondsValue(r), QVariant(r.startUtc),
                              r.isOpen() ? QVariant(QMetaType(QMetaType::LongLong)) : QVariant(r.endUtc),
                              r.isOpen() ? QVariant(QMetaType(QMetaType::QString)) : QVariant(callEndText(r.ended)),
                              QVariant(r.id)})
        q.bindValue(i++, v);
    if (!q.exec())
        return fail(QStringLiteral("cannot write to %1").arg(file_), q.lastError().text());
    return true;
}

bool CallJournal::endCall(qint64 id, qint64 endUtc, CallEnd how)
{
    if (!open_)
        return false;
    QSqlQuery& q = statements_->end;
    q.bindValue(0, endUtc);
    q.bindValue(1, callEndText(how));
    q.bindValue(2, id);
    if (!q.exec())
        return fail(QStringLiteral("cannot write to %1").arg(file_), q.lastError().text());
    return true;
}

bool CallJournal::checkpoint()
{
    if (!open_)
        return false;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    // PASSIVE: never waits for a reader (korvane-tool, another view).
    if (!q.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)")))
        return false;
    // When the whole log went into the file, the next write starts the log
    // again from its beginning, and SQLite flushes the new log header to disk
    // on that write. Doing that write now (rewriting the unchanged schema
    // version) keeps the flush here, between ticks, instead of in the next
    // tick's update.
    if (q.next() && q.value(0).toInt() == 0 && q.value(1).toInt() > 0 && q.value(1).toInt() == q.value(2).toInt()) {
        q.finish();
        q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    }
    return true;
}

int CallJournal::closeOpenCalls(CallEnd how)
{
    if (!open_)
        return -1;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.prepare(QStringLiteral("UPDATE calls SET end_utc = last_tick_utc, ended = ? WHERE end_utc IS NULL"));
    q.addBindValue(callEndText(how));
    if (!q.exec()) {
        fail(QStringLiteral("cannot write to %1").arg(file_), q.lastError().text());
        return -1;
    }
    return q.numRowsAffected();
}

int CallJournal::recordHistory(const QList<HistorySnapshot>& rows)
{
    if (!open_)
        return -1;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) {
        fail(QStringLiteral("cannot write to %1").arg(file_), db.lastError().text());
        return -1;
    }
    QSqlQuery q(db);
    q.prepare(QStringLiteral(
        "INSERT OR IGNORE INTO history (read_utc, phone_number, direction, baud_rate, no_of_calls, min_time,"
        " max_time, total_time) VALUES (?,coalesce(?, ''),coalesce(?, ''),?,?,coalesce(?, ''),coalesce(?, ''),"
        "coalesce(?, ''))"));
    int added = 0;
    for (const HistorySnapshot& r : rows) {
        int i = 0;
        for (const QVariant& v : {QVariant(r.readUtc), QVariant(r.phoneNumber), QVariant(r.direction),
                                  QVariant(r.baudRate), QVariant(r.noOfCalls), QVariant(r.minTime),
                                  QVariant(r.maxTime), QVariant(r.totalTime)})
            q.bindValue(i++, v);
        if (!q.exec()) {
            const QString why = q.lastError().text();
            db.rollback();
            fail(QStringLiteral("cannot write to %1").arg(file_), why);
            return -1;
        }
        added += q.numRowsAffected() > 0 ? 1 : 0;
    }
    if (!db.commit()) {
        const QString why = db.lastError().text();
        db.rollback();
        fail(QStringLiteral("cannot write to %1").arg(file_), why);
        return -1;
    }
    return added;
}

namespace {

// Texts of many rows: the same link, address or number comes back again and
// again, so each distinct text is made once and shared by the rows that hold it.
class TextColumn {
public:
    QString read(sqlite3_stmt* st, int column)
    {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
        const int size = sqlite3_column_bytes(st, column);
        if (!text)
            return {};
        if (size == 0)
            return empty_;
        std::string key(text, size_t(size));
        const auto it = seen_.find(key);
        if (it != seen_.end())
            return it->second;
        QString value = QString::fromUtf8(text, size);
        // Bounded: a column of distinct texts gains nothing from it.
        if (seen_.size() < 8192)
            seen_.emplace(std::move(key), value);
        return value;
    }

private:
    const QString empty_ = QStringLiteral("");
    std::unordered_map<std::string, QString> seen_;
};

CallEnd endFromColumn(sqlite3_stmt* st, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    if (!text)
        return CallEnd::Open;
    return callEndFromText(QString::fromUtf8(text, sqlite3_column_bytes(st, column)));
}

// The Call Log reads every call at once; Qt's row-by-row variants cost most of
// that time, so the rows are read from SQLite's own handle when the driver
// gives one out. Returns false when it does not (the caller then reads them
// through Qt).
bool readCallsDirect(const QSqlDatabase& db, qint64 sinceUtc, QList<CallRecord>* out)
{
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return false;
    sqlite3* h = *static_cast<sqlite3* const*>(handle.constData());
    if (!h)
        return false;
    // The whole journal is read in the table's own order (a straight pass over
    // the file) and put in start order here: through the start index every row
    // would be a separate look-up in the table. A recent part is read through
    // the index, which skips the rest.
    const bool whole = sinceUtc <= 0;
    const QByteArray sql = QString::fromLatin1(whole ? "SELECT %1 FROM calls NOT INDEXED WHERE start_utc >= ? ORDER BY id"
                                                     : "SELECT %1 FROM calls WHERE start_utc >= ? ORDER BY start_utc, id")
                               .arg(QLatin1String(kCallColumns)).toUtf8();
    const qsizetype first = out->size();
    sqlite3_stmt* st = nullptr;
    // Counted first so the list grows once.
    const QByteArray count = QByteArrayLiteral("SELECT count(*) FROM calls WHERE start_utc >= ?");
    if (sqlite3_prepare_v2(h, count.constData(), int(count.size()), &st, nullptr) == SQLITE_OK) {
        sqlite3_bind_int64(st, 1, sinceUtc);
        if (sqlite3_step(st) == SQLITE_ROW)
            out->reserve(out->size() + qsizetype(sqlite3_column_int64(st, 0)));
        sqlite3_finalize(st);
        st = nullptr;
    }
    if (sqlite3_prepare_v2(h, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK)
        return false;
    sqlite3_bind_int64(st, 1, sinceUtc);
    TextColumn link, direction, peerIp, callerId, callerName;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        CallRecord r;
        r.id = sqlite3_column_int64(st, 0);
        r.line = sqlite3_column_int(st, 1);
        r.channel = sqlite3_column_int(st, 2);
        r.startUtc = sqlite3_column_int64(st, 3);
        const bool hasEnd = sqlite3_column_type(st, 4) != SQLITE_NULL;
        r.endUtc = hasEnd ? sqlite3_column_int64(st, 4) : 0;
        r.lastTickUtc = sqlite3_column_int64(st, 5);
        r.link = link.read(st, 6);
        r.type = sqlite3_column_int(st, 7);
        r.voice = sqlite3_column_int(st, 8) != 0;
        r.direction = direction.read(st, 9);
        r.peerIp = peerIp.read(st, 10);
        r.callerId = callerId.read(st, 11);
        r.callerName = callerName.read(st, 12);
        r.packetsSent = sqlite3_column_int64(st, 13);
        r.packetsReceived = sqlite3_column_int64(st, 14);
        r.errors = sqlite3_column_int64(st, 15);
        r.averageUtilization = sqlite3_column_int(st, 16);
        r.peakUtilization = sqlite3_column_int(st, 17);
        r.ended = endFromColumn(st, 18);
        if (r.ended == CallEnd::Open && hasEnd)
            r.ended = CallEnd::HungUp;
        r.seconds = sqlite3_column_type(st, 19) == SQLITE_NULL ? -1 : sqlite3_column_int64(st, 19);
        out->append(std::move(r));
    }
    sqlite3_finalize(st);
    if (whole) {
        // Calls are recorded in start order; a clock set back is the exception.
        const auto earlier = [](const CallRecord& a, const CallRecord& b) {
            return a.startUtc != b.startUtc ? a.startUtc < b.startUtc : a.id < b.id;
        };
        if (!std::is_sorted(out->begin() + first, out->end(), earlier))
            std::sort(out->begin() + first, out->end(), earlier);
    }
    return rc == SQLITE_DONE;
}

}  // namespace

namespace {

// The rows of a query over kCallColumns, in its order.
QList<CallRecord> recordsFrom(QSqlQuery& q)
{
    QList<CallRecord> out;
    while (q.next()) {
        CallRecord r;
        r.id = q.value(0).toLongLong();
        r.line = q.value(1).toInt();
        r.channel = q.value(2).toInt();
        r.startUtc = q.value(3).toLongLong();
        r.endUtc = q.value(4).isNull() ? 0 : q.value(4).toLongLong();
        r.lastTickUtc = q.value(5).toLongLong();
        r.link = q.value(6).toString();
        r.type = q.value(7).toInt();
        r.voice = q.value(8).toInt() != 0;
        r.direction = q.value(9).toString();
        r.peerIp = q.value(10).toString();
        r.callerId = q.value(11).toString();
        r.callerName = q.value(12).toString();
        r.packetsSent = q.value(13).toLongLong();
        r.packetsReceived = q.value(14).toLongLong();
        r.errors = q.value(15).toLongLong();
        r.averageUtilization = q.value(16).toInt();
        r.peakUtilization = q.value(17).toInt();
        r.ended = q.value(18).isNull() ? CallEnd::Open : callEndFromText(q.value(18).toString());
        if (r.ended == CallEnd::Open && !q.value(4).isNull())
            r.ended = CallEnd::HungUp;  // an end without a known reason still ended
        r.seconds = q.value(19).isNull() ? -1 : q.value(19).toLongLong();
        out.append(std::move(r));
    }
    return out;
}

}  // namespace

QList<CallRecord> CallJournal::calls(qint64 sinceUtc) const
{
    QList<CallRecord> out;
    if (!readable_)
        return out;
    const QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (readCallsDirect(db, sinceUtc, &out))
        return out;
    out.clear();
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT %1 FROM calls WHERE start_utc >= ? ORDER BY start_utc, id")
                  .arg(QLatin1String(kCallColumns)));
    q.addBindValue(sinceUtc);
    if (!q.exec())
        return out;
    out = recordsFrom(q);
    return out;
}

QList<CallRecord> CallJournal::latestCalls(qint64 sinceUtc, int limit) const
{
    if (!readable_ || limit <= 0)
        return {};
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    // Through the start index from its newest end: only the rows answered are read.
    q.prepare(QStringLiteral("SELECT %1 FROM calls WHERE start_utc >= ? ORDER BY start_utc DESC, id DESC LIMIT ?")
                  .arg(QLatin1String(kCallColumns)));
    q.addBindValue(sinceUtc);
    q.addBindValue(limit);
    if (!q.exec())
        return {};
    return recordsFrom(q);
}

QList<CallRecord> CallJournal::resumableCalls() const
{
    if (!readable_)
        return {};
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    // The last call of each line, if it was still open when its run ended.
    q.prepare(QStringLiteral("SELECT %1 FROM calls WHERE id IN (SELECT max(id) FROM calls WHERE line IN (1, 2)"
                             " GROUP BY line) AND (end_utc IS NULL OR ended = ?)")
                  .arg(QLatin1String(kCallColumns)));
    q.addBindValue(callEndText(CallEnd::MonitorStopped));
    if (!q.exec())
        return {};
    QList<CallRecord> out = recordsFrom(q);
    for (CallRecord& r : out) {
        r.ended = CallEnd::Open;
        r.endUtc = 0;
    }
    return out;
}

QList<HistorySnapshot> CallJournal::history(qint64 sinceUtc) const
{
    QList<HistorySnapshot> out;
    if (!readable_)
        return out;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT read_utc, phone_number, direction, baud_rate, no_of_calls, min_time, max_time,"
                             " total_time FROM history WHERE read_utc >= ? ORDER BY read_utc, id"));
    q.addBindValue(sinceUtc);
    if (!q.exec())
        return out;
    while (q.next()) {
        HistorySnapshot h;
        h.readUtc = q.value(0).toLongLong();
        h.phoneNumber = q.value(1).toString();
        h.direction = q.value(2).toString();
        h.baudRate = q.value(3).toInt();
        h.noOfCalls = q.value(4).toInt();
        h.minTime = q.value(5).toString();
        h.maxTime = q.value(6).toString();
        h.totalTime = q.value(7).toString();
        out.append(h);
    }
    return out;
}

QList<LineTotals> CallJournal::lineTotals() const
{
    QList<LineTotals> out;
    for (int line = 1; line <= 2; ++line)
        out.append({line, 0, 0});
    if (!readable_)
        return out;
    QSqlQuery q(QSqlDatabase::database(connection_, false));
    if (!q.exec(QStringLiteral("SELECT line, count(*), sum(coalesce(seconds, max(0, coalesce(end_utc, last_tick_utc) - start_utc)))"
                               " FROM calls WHERE line IN (1, 2) AND end_utc IS NOT NULL GROUP BY line")))
        return out;
    while (q.next()) {
        const int line = q.value(0).toInt();
        out[line - 1].calls = q.value(1).toLongLong();
        out[line - 1].onlineSeconds = q.value(2).toLongLong();
    }
    return out;
}

}  // namespace korvane

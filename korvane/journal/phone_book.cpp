#include "korvane/journal/phone_book.h"

#include "korvane/journal/call_journal.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>

namespace korvane {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

QByteArray decodeQuotedPrintable(const QByteArray& in)
{
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() && hexValue(in[i + 1]) >= 0 && hexValue(in[i + 2]) >= 0) {
            out += char(hexValue(in[i + 1]) * 16 + hexValue(in[i + 2]));
            i += 2;
        } else if (in[i] == '=' && i + 1 >= in.size()) {
            // a soft line break left at the very end
        } else {
            out += in[i];
        }
    }
    return out;
}

QString decodeText(const QByteArray& bytes, const QByteArray& charset)
{
    if (!charset.isEmpty() && charset.toUpper() != "UTF-8") {
        QStringDecoder decoder(charset.constData());
        if (decoder.isValid()) {
            const QString text = decoder(bytes);
            if (!decoder.hasError())
                return text;
        }
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    // Older exports are often Latin-1 without saying so.
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

// Splits on a separator not escaped by a backslash, then unescapes.
QStringList splitEscaped(const QString& value, QChar separator)
{
    QStringList parts{QString()};
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == u'\\' && i + 1 < value.size()) {
            const QChar n = value[++i];
            parts.last() += (n == u'n' || n == u'N') ? QChar(u'\n') : n;
        } else if (c == separator) {
            parts.append(QString());
        } else {
            parts.last() += c;
        }
    }
    return parts;
}

QString unescape(const QString& value) { return splitEscaped(value, QChar(0)).join(QString()); }

struct Property {
    QByteArray name;
    QList<QByteArray> params;
    QByteArray value;

    bool has(const char* param) const
    {
        for (const QByteArray& p : params) {
            const QByteArray upper = p.toUpper();
            if (upper == param || upper.endsWith(QByteArray("=") + param))
                return true;
        }
        return false;
    }
    QByteArray param(const char* key) const
    {
        const QByteArray prefix = QByteArray(key) + '=';
        for (const QByteArray& p : params)
            if (p.toUpper().startsWith(prefix))
                return p.mid(prefix.size()).replace('"', QByteArray());
        return {};
    }
    QString text() const
    {
        const QByteArray raw = has("QUOTED-PRINTABLE") ? decodeQuotedPrintable(value) : value;
        return decodeText(raw, param("CHARSET"));
    }
};

bool parseProperty(const QByteArray& line, Property* p)
{
    bool quoted = false;
    qsizetype colon = -1;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            colon = i;
            break;
        }
    }
    if (colon <= 0)
        return false;
    QList<QByteArray> head = line.left(colon).split(';');
    QByteArray name = head.takeFirst().trimmed().toUpper();
    const qsizetype dot = name.lastIndexOf('.');
    if (dot >= 0)
        name = name.mid(dot + 1);  // "item1.TEL" carries a group
    p->name = name;
    p->params = head;
    p->value = line.mid(colon + 1);
    return true;
}

// Logical lines: folded lines joined; quoted-printable soft breaks joined.
QList<QByteArray> logicalLines(QByteArray data)
{
    if (data.startsWith("\xEF\xBB\xBF"))
        data.remove(0, 3);
    QList<QByteArray> out;
    for (QByteArray raw : data.split('\n')) {
        if (raw.endsWith('\r'))
            raw.chop(1);
        if ((raw.startsWith(' ') || raw.startsWith('\t')) && !out.isEmpty()) {
            out.last() += raw.mid(1);
            continue;
        }
        if (!out.isEmpty() && out.last().endsWith('=') && out.last().toUpper().contains("QUOTED-PRINTABLE")) {
            out.last().chop(1);
            out.last() += raw;
            continue;
        }
        out.append(raw);
    }
    return out;
}

QString cleanNumber(QString tel)
{
    tel = tel.trimmed();
    if (tel.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        tel = tel.mid(4);
    const qsizetype semicolon = tel.indexOf(u';');
    if (semicolon >= 0)
        tel = tel.left(semicolon);
    return tel.trimmed();
}

}  // namespace

QList<PhoneBookEntry> readVCards(const QByteArray& data)
{
    QList<PhoneBookEntry> out;
    bool inCard = false;
    QString fn, structured, org;
    QStringList numbers;
    for (const QByteArray& line : logicalLines(data)) {
        Property p;
        if (!parseProperty(line, &p))
            continue;
        if (p.name == "BEGIN" && p.value.trimmed().toUpper() == "VCARD") {
            inCard = true;
            fn.clear();
            structured.clear();
            org.clear();
            numbers.clear();
        } else if (!inCard) {
            continue;
        } else if (p.name == "END" && p.value.trimmed().toUpper() == "VCARD") {
            inCard = false;
            QString name = fn.trimmed();
            if (name.isEmpty())
                name = structured.trimmed();
            if (name.isEmpty())
                name = org.trimmed();
            for (const QString& number : numbers)
                if (!number.isEmpty() && !name.isEmpty())
                    out.append({number, name});
        } else if (p.name == "FN") {
            fn = unescape(p.text()).simplified();
        } else if (p.name == "N") {
            // Family; Given; Additional; Prefixes; Suffixes
            const QStringList parts = splitEscaped(p.text(), u';');
            QStringList words;
            for (int i : {3, 1, 2, 0, 4})
                if (i < parts.size() && !parts[i].trimmed().isEmpty())
                    words.append(parts[i].trimmed());
            structured = words.join(u' ');
        } else if (p.name == "ORG") {
            org = splitEscaped(p.text(), u';').value(0).simplified();
        } else if (p.name == "TEL") {
            numbers.append(cleanNumber(unescape(p.text())));
        }
    }
    return out;
}

QList<QStringList> parseCsv(const QString& text, QChar separator)
{
    QList<QStringList> rows;
    QStringList row;
    QString field;
    bool quoted = false, fieldStarted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == u'"') {
                if (i + 1 < text.size() && text[i + 1] == u'"') {
                    field += u'"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
        } else if (c == u'"' && field.isEmpty()) {
            quoted = true;
            fieldStarted = true;
        } else if (c == separator) {
            row.append(field);
            field.clear();
            fieldStarted = true;
        } else if (c == u'\n' || c == u'\r') {
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                ++i;
            if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
                row.append(field);
                rows.append(row);
            }
            row.clear();
            field.clear();
            fieldStarted = false;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || !row.isEmpty()) {
        row.append(field);
        rows.append(row);
    }
    return rows;
}

QList<PhoneBookEntry> readPhoneCsv(const QByteArray& data)
{
    QString text = decodeText(data.startsWith("\xEF\xBB\xBF") ? data.mid(3) : data, {});
    const qsizetype firstBreak = text.indexOf(u'\n');
    const QString firstLine = text.left(firstBreak < 0 ? text.size() : firstBreak);
    const QChar separator = firstLine.count(u';') > firstLine.count(u',') ? u';' : u',';
    QList<PhoneBookEntry> out;
    bool first = true;
    for (const QStringList& row : parseCsv(text, separator)) {
        const QString number = row.value(0).trimmed();
        const QString name = row.value(1).trimmed();
        const bool hasDigit = std::any_of(number.begin(), number.end(), [](QChar c) { return c.isDigit(); });
        if (first && !hasDigit) {
            first = false;
            continue;
        }
        first = false;
        if (hasDigit && !name.isEmpty())
            out.append({number, name});
    }
    return out;
}

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    return u'"' + QString(text).replace(QLatin1String("\""), QLatin1String("\"\"")) + u'"';
}

QByteArray writePhoneCsv(const QList<PhoneBookEntry>& entries)
{
    QString text = QStringLiteral("Number,Name\r\n");
    for (const PhoneBookEntry& e : entries)
        text += csvField(e.number) + u',' + csvField(e.name) + QLatin1String("\r\n");
    return text.toUtf8();
}

QString PhoneBook::defaultFile() { return QDir(CallJournal::defaultDirectory()).filePath(QStringLiteral("Phone Book.csv")); }

PhoneBook::PhoneBook(const QString& file) : file_(file.isEmpty() ? defaultFile() : file) {}

void PhoneBook::setMatcher(const NumberMatcher& matcher)
{
    matcher_ = matcher;
    reindex();
}

bool PhoneBook::load()
{
    error_.clear();
    QFile f(file_);
    if (!f.exists()) {
        setEntries({});
        return true;
    }
    if (!f.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("cannot read %1: %2").arg(file_, f.errorString());
        return false;
    }
    setEntries(readPhoneCsv(f.read(16 * 1024 * 1024)));
    return true;
}

bool PhoneBook::save()
{
    error_.clear();
    QDir().mkpath(QFileInfo(file_).absolutePath());
    QSaveFile f(file_);
    if (!f.open(QIODevice::WriteOnly)) {
        error_ = QStringLiteral("cannot write %1: %2").arg(file_, f.errorString());
        return false;
    }
    f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    f.write(writePhoneCsv(entries_));
    if (!f.commit()) {
        error_ = QStringLiteral("cannot write %1: %2").arg(file_, f.errorString());
        return false;
    }
    return true;
}

void PhoneBook::setEntries(const QList<PhoneBookEntry>& entries)
{
    entries_ = entries;
    reindex();
}

int PhoneBook::merge(const QList<PhoneBookEntry>& entries)
{
    int added = 0;
    for (const PhoneBookEntry& e : entries) {
        const QString key = matcher_.canonical(e.number);
        if (key.isEmpty() || byCanonical_.contains(key))
            continue;
        entries_.append(e);
        byCanonical_.insert(key, int(entries_.size() - 1));
        ++added;
    }
    return added;
}

void PhoneBook::reindex()
{
    byCanonical_.clear();
    for (int i = 0; i < entries_.size(); ++i) {
        const QString key = matcher_.canonical(entries_[i].number);
        if (!key.isEmpty() && !byCanonical_.contains(key))
            byCanonical_.insert(key, i);
    }
}

QString PhoneBook::nameFor(const QString& number) const
{
    const QString key = matcher_.canonical(number);
    if (key.isEmpty())
        return {};
    const auto it = byCanonical_.constFind(key);
    if (it != byCanonical_.constEnd())
        return entries_[*it].name;
    for (const PhoneBookEntry& e : entries_)
        if (matcher_.matches(e.number, number))
            return e.name;
    return {};
}

}  // namespace korvane

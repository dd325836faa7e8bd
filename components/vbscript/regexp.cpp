#include "components/vbscript/regexp.h"

#include <QHash>

#include <memory>

namespace vbscript {

using automation::AutomationError;
using automation::CallKind;
using automation::DispId;
using automation::Variant;

namespace {

constexpr int kRegExpSyntax = 5017;  // Syntax error in regular expression

bool isPut(CallKind kind) { return automation::hasKind(kind, CallKind::PropertyPut) || automation::hasKind(kind, CallKind::PropertyPutRef); }

// A small automation object: named members with fixed ids, the first the
// default one when the object has one.
class TableObject : public automation::Dispatch {
public:
    TableObject(QString typeName, QStringList members) : typeName_(std::move(typeName)), members_(std::move(members)) {}
    DispId memberId(const QString& name) const override
    {
        for (qsizetype i = 0; i < members_.size(); ++i) {
            if (members_[i].compare(name, Qt::CaseInsensitive) == 0)
                return DispId(i + 1);
        }
        return automation::kDispIdUnknown;
    }
    QString typeName() const override { return typeName_; }

protected:
    static const Variant& argAt(const QList<Variant>& args, qsizetype i)
    {
        if (i >= args.size())
            throw AutomationError(automation::error::kWrongArgumentCount);
        return args[i];
    }

private:
    QString typeName_;
    QStringList members_;
};

class SubMatchesObject final : public TableObject {
public:
    explicit SubMatchesObject(QList<Variant> items)
        : TableObject(QStringLiteral("ISubMatches"), {QStringLiteral("Item"), QStringLiteral("Count")}), items_(std::move(items)) {}
    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override
    {
        if (isPut(kind))
            throw AutomationError(automation::error::kNoSuchMember);
        if (id == automation::kDispIdValue || id == 1) {
            const qint32 i = argAt(args, 0).toLong();
            if (i < 0 || i >= items_.size())
                throw AutomationError(automation::error::kInvalidCall);
            return items_[i];
        }
        if (id == 2)
            return Variant(qint32(items_.size()));
        throw AutomationError(automation::error::kNoSuchMember);
    }
    std::optional<QList<Variant>> enumerate() override { return items_; }

private:
    QList<Variant> items_;
};

class MatchObject final : public TableObject {
public:
    MatchObject(QString value, qint32 firstIndex, QList<Variant> subMatches)
        : TableObject(QStringLiteral("IMatch2"), {QStringLiteral("Value"), QStringLiteral("FirstIndex"),
                                                  QStringLiteral("Length"), QStringLiteral("SubMatches")}),
          value_(std::move(value)), firstIndex_(firstIndex), subMatches_(std::move(subMatches)) {}
    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override
    {
        if (isPut(kind))
            throw AutomationError(automation::error::kNoSuchMember);
        switch (id) {
        case automation::kDispIdValue:
        case 1: return Variant(value_);
        case 2: return Variant(firstIndex_);
        case 3: return Variant(qint32(value_.size()));
        case 4: {
            auto sub = std::make_shared<SubMatchesObject>(subMatches_);
            if (args.isEmpty())
                return Variant(automation::DispatchRef(sub));
            return sub->invoke(automation::kDispIdValue, CallKind::PropertyGet, args);
        }
        default: throw AutomationError(automation::error::kNoSuchMember);
        }
    }

private:
    QString value_;
    qint32 firstIndex_;
    QList<Variant> subMatches_;
};

class MatchCollectionObject final : public TableObject {
public:
    explicit MatchCollectionObject(QList<Variant> matches)
        : TableObject(QStringLiteral("IMatchCollection2"), {QStringLiteral("Item"), QStringLiteral("Count")}),
          matches_(std::move(matches)) {}
    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override
    {
        if (isPut(kind))
            throw AutomationError(automation::error::kNoSuchMember);
        if (id == automation::kDispIdValue || id == 1) {
            const qint32 i = argAt(args, 0).toLong();
            if (i < 0 || i >= matches_.size())
                throw AutomationError(automation::error::kInvalidCall);
            return matches_[i];
        }
        if (id == 2)
            return Variant(qint32(matches_.size()));
        throw AutomationError(automation::error::kNoSuchMember);
    }
    std::optional<QList<Variant>> enumerate() override { return matches_; }

private:
    QList<Variant> matches_;
};

class RegExpObject final : public TableObject {
public:
    RegExpObject()
        : TableObject(QStringLiteral("IRegExp2"),
                      {QStringLiteral("Pattern"), QStringLiteral("IgnoreCase"), QStringLiteral("Global"),
                       QStringLiteral("Multiline"), QStringLiteral("Test"), QStringLiteral("Execute"),
                       QStringLiteral("Replace")}) {}

    Variant invoke(DispId id, CallKind kind, QList<Variant>& args) override
    {
        if (isPut(kind)) {
            const Variant& value = argAt(args, args.size() - 1);
            switch (id) {
            case 1: pattern_ = value.toString(); break;
            case 2: ignoreCase_ = value.toBool(); break;
            case 3: global_ = value.toBool(); break;
            case 4: multiline_ = value.toBool(); break;
            default: throw AutomationError(automation::error::kNoSuchMember);
            }
            compiled_ = false;
            return {};
        }
        switch (id) {
        case 1: return Variant(pattern_);
        case 2: return Variant(ignoreCase_);
        case 3: return Variant(global_);
        case 4: return Variant(multiline_);
        case 5: return Variant(regex().match(text(args, 0)).hasMatch());
        case 6: return execute(text(args, 0));
        case 7: return replace(text(args, 0), argAt(args, 1));
        case automation::kDispIdValue: throw AutomationError(automation::error::kNoSuchMember);
        default: throw AutomationError(automation::error::kNoSuchMember);
        }
    }

private:
    static QString text(const QList<Variant>& args, qsizetype i)
    {
        const Variant& v = argAt(args, i);
        return v.isNull() ? QString() : v.toString();
    }

    const QRegularExpression& regex()
    {
        if (!compiled_) {
            QRegularExpression::PatternOptions options = QRegularExpression::NoPatternOption;
            if (ignoreCase_)
                options |= QRegularExpression::CaseInsensitiveOption;
            if (multiline_)
                options |= QRegularExpression::MultilineOption;
            regex_ = QRegularExpression(translateJScriptPattern(pattern_, multiline_), options);
            compiled_ = true;
        }
        if (!regex_.isValid())
            throw AutomationError(kRegExpSyntax, QStringLiteral("Syntax error in regular expression"));
        return regex_;
    }

    // Each match in order; only the first unless Global. An empty match moves
    // the search on by one character, so that the walk ends.
    template <typename F>
    void forEachMatch(const QString& subject, F&& visit)
    {
        const QRegularExpression& re = regex();
        qsizetype from = 0;
        while (from <= subject.size()) {
            const QRegularExpressionMatch m = re.match(subject, from);
            if (!m.hasMatch())
                break;
            visit(m);
            if (!global_)
                break;
            from = m.capturedEnd() > m.capturedStart() ? m.capturedEnd() : m.capturedEnd() + 1;
        }
    }

    static QList<Variant> subMatchesOf(const QRegularExpressionMatch& m, int groups)
    {
        QList<Variant> items;
        for (int g = 1; g <= groups; ++g)
            items.append(m.capturedStart(g) < 0 ? Variant() : Variant(m.captured(g)));
        return items;
    }

    Variant execute(const QString& subject)
    {
        QList<Variant> matches;
        const int groups = regex().captureCount();
        forEachMatch(subject, [&](const QRegularExpressionMatch& m) {
            matches.append(Variant(automation::DispatchRef(std::make_shared<MatchObject>(
                m.captured(0), qint32(m.capturedStart()), subMatchesOf(m, groups)))));
        });
        return Variant(automation::DispatchRef(std::make_shared<MatchCollectionObject>(std::move(matches))));
    }

    Variant replace(const QString& subject, const Variant& replacement)
    {
        const QString with = replacement.isNull() ? QString() : replacement.toString();
        const int groups = regex().captureCount();
        QString out;
        qsizetype last = 0;
        forEachMatch(subject, [&](const QRegularExpressionMatch& m) {
            out += QStringView(subject).mid(last, m.capturedStart() - last);
            expand(out, with, m, subject, groups);
            last = m.capturedEnd();
        });
        out += QStringView(subject).mid(last);
        return Variant(out);
    }

    // $1..$99 (two digits when that group exists), $& the match, $` the text
    // before it, $' the text after it, $$ a dollar; anything else stays.
    static void expand(QString& out, const QString& with, const QRegularExpressionMatch& m, const QString& subject,
                       int groups)
    {
        for (qsizetype i = 0; i < with.size(); ++i) {
            const QChar c = with[i];
            if (c != u'$' || i + 1 >= with.size()) {
                out += c;
                continue;
            }
            const QChar n = with[i + 1];
            if (n == u'$') {
                out += u'$';
                ++i;
            } else if (n == u'&') {
                out += m.captured(0);
                ++i;
            } else if (n == u'`') {
                out += QStringView(subject).left(m.capturedStart());
                ++i;
            } else if (n == u'\'') {
                out += QStringView(subject).mid(m.capturedEnd());
                ++i;
            } else if (n.isDigit() && n.unicode() < 128) {
                int group = n.digitValue();
                int used = 1;
                if (i + 2 < with.size() && with[i + 2].isDigit() && with[i + 2].unicode() < 128) {
                    const int two = group * 10 + with[i + 2].digitValue();
                    if (two >= 1 && two <= groups) {
                        group = two;
                        used = 2;
                    }
                }
                if (group >= 1 && group <= groups) {
                    out += m.captured(group);
                    i += used;
                } else {
                    out += c;
                }
            } else {
                out += c;
            }
        }
    }

    QString pattern_;
    bool ignoreCase_ = false;
    bool global_ = false;
    bool multiline_ = false;
    bool compiled_ = false;
    QRegularExpression regex_;
};

}  // namespace

QString translateJScriptPattern(const QString& pattern, bool multiline)
{
    static const QString kLineEnds = QStringLiteral("\\n\\r\\x{2028}\\x{2029}");
    QString out;
    out.reserve(pattern.size() + 16);
    bool inClass = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\' && i + 1 < pattern.size()) {
            const QChar n = pattern[i + 1];
            if (n == u'u' && i + 5 < pattern.size()) {
                bool ok = false;
                const uint code = pattern.mid(i + 2, 4).toUInt(&ok, 16);
                if (ok) {
                    out += QStringLiteral("\\x{%1}").arg(code, 4, 16, QChar(u'0'));
                    i += 5;
                    continue;
                }
            }
            out += c;
            out += n;
            ++i;
            continue;
        }
        if (inClass) {
            if (c == u']')
                inClass = false;
            out += c;
            continue;
        }
        if (c == u'[') {
            if (pattern.mid(i, 2) == QLatin1String("[]")) {
                out += QStringLiteral("(?!)");  // matches nothing
                ++i;
                continue;
            }
            if (pattern.mid(i, 3) == QLatin1String("[^]")) {
                out += QStringLiteral("[\\s\\S]");  // matches anything
                i += 2;
                continue;
            }
            inClass = true;
            out += c;
            // A ] right after [ or [^ closes nothing in PCRE; in JScript it
            // would have closed an empty class, handled above.
            if (i + 1 < pattern.size() && pattern[i + 1] == u'^') {
                out += u'^';
                ++i;
            }
            continue;
        }
        if (c == u'.') {
            out += QStringLiteral("[^") + kLineEnds + u']';
            continue;
        }
        if (c == u'$') {
            out += multiline ? QStringLiteral("(?=[") + kLineEnds + QStringLiteral("]|\\z)") : QStringLiteral("\\z");
            continue;
        }
        if (c == u'^' && multiline) {
            out += QStringLiteral("(?:^|(?<=[\\r\\x{2028}\\x{2029}]))");
            continue;
        }
        out += c;
    }
    return out;
}

automation::DispatchRef makeRegExp() { return std::make_shared<RegExpObject>(); }

bool isRegExpProgramId(const QString& programId)
{
    return programId.trimmed().compare(QLatin1String("VBScript.RegExp"), Qt::CaseInsensitive) == 0;
}

}  // namespace vbscript

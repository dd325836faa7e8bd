// JScript on QJSEngine. Automation objects reach JavaScript as proxies whose
// traps go through one bridge object: names are looked up without regard to
// case, properties read and written, methods called, and calling the object
// itself calls its default member.

#include "components/scriptcontrol/jscript_backend.h"

#include "automation/errors.h"
#include "components/scriptcontrol/host_objects.h"

#include <QJSEngine>
#include <QJSValueIterator>
#include <QMetaObject>
#include <QRegularExpression>
#include <QSet>

#include <algorithm>

namespace scriptcontrol {

namespace {

using automation::AutomationError;
using automation::CallKind;
using automation::DispatchRef;
using automation::Variant;

// What Windows' JScript adds for automation: Enumerator over collections,
// VBArray over the arrays automation objects return, Date's getVarDate, and
// errors that carry an HRESULT "number" and a "description".
const char kWindowsExtras[] = R"JS(
(function (g, bridge, check) {
    function hresult(n) { return n > 0 && n <= 0xFFFF ? (0x800A0000 | n) : n; }
    function fail(n, text) {
        var e = new Error(text);
        e.number = hresult(n);
        e.description = text;
        return e;
    }
    function hidden(o, name, value) {
        Object.defineProperty(o, name, { value: value, writable: true, enumerable: false, configurable: true });
    }
    function Enumerator(c) {
        if (!(this instanceof Enumerator)) return new Enumerator(c);
        var items;
        if (c === undefined || c === null) items = [];
        else if (Array.isArray(c)) items = c.slice();
        else if (c instanceof VBArray) items = c.toArray();
        else if ((typeof c === 'object' || typeof c === 'function') && typeof c.__korvaneHandle === 'number')
            items = check(bridge.enumerate(c.__korvaneHandle));
        else throw fail(451, 'Object not a collection');
        hidden(this, '_items', items);
        hidden(this, '_at', 0);
    }
    Enumerator.prototype.atEnd = function () { return this._at >= this._items.length; };
    Enumerator.prototype.moveNext = function () { if (this._at < this._items.length) this._at++; };
    Enumerator.prototype.moveFirst = function () { this._at = 0; };
    Enumerator.prototype.item = function () { return this._at < this._items.length ? this._items[this._at] : undefined; };
    function VBArray(a) {
        if (!(this instanceof VBArray)) return new VBArray(a);
        if (a instanceof VBArray) {
            hidden(this, '_items', a._items); hidden(this, '_bounds', a._bounds);
            return;
        }
        if (!Array.isArray(a)) throw fail(5025, 'VBArray expected');
        hidden(this, '_items', a.slice());
        hidden(this, '_bounds', a.__vbBounds || [[0, a.length - 1]]);
    }
    function dimension(self, d) {
        d = d === undefined ? 1 : Number(d);
        if (!(d >= 1 && d <= self._bounds.length)) throw fail(9, 'Subscript out of range');
        return self._bounds[d - 1];
    }
    VBArray.prototype.dimensions = function () { return this._bounds.length; };
    VBArray.prototype.lbound = function (d) { return dimension(this, d)[0]; };
    VBArray.prototype.ubound = function (d) { return dimension(this, d)[1]; };
    VBArray.prototype.toArray = function () { return this._items.slice(); };
    // Elements are stored first index fastest, as automation arrays are.
    VBArray.prototype.getItem = function () {
        var offset = 0, scale = 1;
        for (var k = 0; k < this._bounds.length; k++) {
            var lb = this._bounds[k][0], ub = this._bounds[k][1], i = Number(arguments[k]);
            if (!(i >= lb && i <= ub)) throw fail(9, 'Subscript out of range');
            offset += (i - lb) * scale;
            scale *= ub - lb + 1;
        }
        return this._items[offset];
    };
    // for...in, rewritten as for...of over this (see rewriteForIn): a host
    // collection's items, a host object that is none gives nothing; of
    // anything else the names for...in gives, each when it is reached and
    // still there, as for...in does.
    function forIn(o) {
        if ((typeof o === 'object' || typeof o === 'function') && o !== null && typeof o.__korvaneHandle === 'number') {
            var items = bridge.enumerate(o.__korvaneHandle);
            return items instanceof Error ? [] : items;
        }
        var keys = [], at = 0;
        for (var k in o) keys.push(k);
        var iterator = {
            next: function () {
                while (at < keys.length) {
                    var key = keys[at++];
                    if (key in Object(o)) return { value: key, done: false };
                }
                return { value: undefined, done: true };
            }
        };
        iterator[Symbol.iterator] = function () { return iterator; };
        return iterator;
    }
    hidden(g, '__korvaneForIn', forIn);
    hidden(g, 'Enumerator', Enumerator);
    hidden(g, 'VBArray', VBArray);
    hidden(Date.prototype, 'getVarDate', function () { return new Date(this.getTime()); });
    // Builtins whose work follows a length the script names run natively in
    // steps: between two steps the engine sees a stop request, which is how
    // the time limit, the memory budget and Ctrl-C end a call.
    var STEP = 65536;
    function position(v, len, fallback) {
        if (v === undefined) return fallback;
        v = Math.trunc(Number(v)) || 0;
        return v < 0 ? Math.max(len + v, 0) : Math.min(v, len);
    }
    var nativeFill = Array.prototype.fill;
    hidden(Array.prototype, 'fill', function fill(value, start, end) {
        var len = Math.min(Number(this.length) || 0, 9007199254740991);
        var from = position(start, len, 0), to = position(end, len, len);
        if (to - from <= STEP) return nativeFill.call(this, value, from, to);
        for (var k = from; k < to; k += STEP) nativeFill.call(this, value, k, Math.min(k + STEP, to));
        return this;
    });
    // The iterations that skip holes (forEach, map, filter, some, every,
    // reduce, reduceRight) and the ones that run natively over every index
    // (includes, copyWithin) would, over a length of a billion that holds
    // nothing, run for many seconds natively without a chance to stop, and
    // map and filter over one have brought the engine down. Past STEP they
    // run here, where each loop turn may be stopped, and build their results
    // sparsely.
    var MAX_LENGTH = 9007199254740991;
    function lengthOf(o) {
        var n = Math.trunc(Number(o.length)) || 0;
        return n <= 0 ? 0 : Math.min(n, MAX_LENGTH);
    }
    function stepped(name, takesCallback, body) {
        var native = Array.prototype[name];
        var replacement = function () {
            if (this === null || this === undefined) return native.apply(this, arguments);
            var o = Object(this), len = lengthOf(o);
            // Small lengths, and a callback that is none (native throws the
            // right TypeError), stay native.
            if (len <= STEP || (takesCallback && typeof arguments[0] !== 'function'))
                return native.apply(this, arguments);
            return body.call(null, o, len, arguments);
        };
        Object.defineProperty(replacement, 'name', { value: name });
        Object.defineProperty(replacement, 'length', { value: native.length });
        hidden(Array.prototype, name, replacement);
    }
    stepped('forEach', true, function (o, len, args) {
        for (var k = 0; k < len; k++) if (k in o) args[0].call(args[1], o[k], k, o);
    });
    stepped('map', true, function (o, len, args) {
        var out = []; out.length = len;
        for (var k = 0; k < len; k++) if (k in o) out[k] = args[0].call(args[1], o[k], k, o);
        return out;
    });
    stepped('filter', true, function (o, len, args) {
        var out = [];
        for (var k = 0; k < len; k++) if (k in o) { var v = o[k]; if (args[0].call(args[1], v, k, o)) out.push(v); }
        return out;
    });
    stepped('some', true, function (o, len, args) {
        for (var k = 0; k < len; k++) if (k in o && args[0].call(args[1], o[k], k, o)) return true;
        return false;
    });
    stepped('every', true, function (o, len, args) {
        for (var k = 0; k < len; k++) if (k in o && !args[0].call(args[1], o[k], k, o)) return false;
        return true;
    });
    function reducer(fromEnd) {
        return function (o, len, args) {
            var k = fromEnd ? len - 1 : 0, step = fromEnd ? -1 : 1, acc;
            if (args.length >= 2) {
                acc = args[1];
            } else {
                for (; k >= 0 && k < len && !(k in o); k += step) {}
                if (k < 0 || k >= len) throw new TypeError('Reduce of empty array with no initial value');
                acc = o[k];
                k += step;
            }
            for (; k >= 0 && k < len; k += step) if (k in o) acc = args[0](acc, o[k], k, o);
            return acc;
        };
    }
    stepped('reduce', true, reducer(false));
    stepped('reduceRight', true, reducer(true));
    stepped('includes', false, function (o, len, args) {
        var x = args[0], k = args.length > 1 ? Math.trunc(Number(args[1])) || 0 : 0;
        if (k < 0) k = Math.max(len + k, 0);
        for (; k < len; k++) { var v = o[k]; if (v === x || (x !== x && v !== v)) return true; }
        return false;
    });
    stepped('copyWithin', false, function (o, len, args) {
        var to = position(args[0], len, 0), from = position(args[1], len, 0);
        var end = position(args[2], len, len), count = Math.min(end - from, len - to), dir = 1;
        if (from < to && to < from + count) { dir = -1; from += count - 1; to += count - 1; }
        for (; count > 0; count--, from += dir, to += dir) {
            if (from in o) o[to] = o[from]; else delete o[to];
        }
        return o;
    });
    var nativeJoin = Array.prototype.join, nativeSlice = Array.prototype.slice;
    // Elements from to to of o as an array of that length: slice of a
    // sparse array stops at its last element, which would drop the holes
    // after it.
    function piece(o, from, to) {
        var part = nativeSlice.call(o, from, to);
        part.length = to - from;
        return part;
    }
    hidden(Array.prototype, 'join', function join(separator) {
        var len = Number(this.length) || 0;
        if (len <= STEP) return nativeJoin.call(this, separator);
        var sep = separator === undefined ? ',' : String(separator), out = '';
        for (var k = 0; k < len; k += STEP) {
            var part = nativeJoin.call(piece(this, k, Math.min(k + STEP, len)), sep);
            out = k === 0 ? part : out + sep + part;
        }
        return out;
    });
    var nativeLocaleString = Array.prototype.toLocaleString;
    hidden(Array.prototype, 'toLocaleString', function toLocaleString() {
        var len = Number(this.length) || 0;
        if (len <= STEP) return nativeLocaleString.apply(this, arguments);
        var out = '';
        for (var k = 0; k < len; k += STEP) {
            var part = nativeLocaleString.apply(piece(this, k, Math.min(k + STEP, len)), arguments);
            out = k === 0 ? part : out + ',' + part;
        }
        return out;
    });
    // JSON of a long array, in steps as join's; a replacer function or a
    // toJSON of the array itself keeps it native (the pieces would show them
    // the wrong keys and holders).
    var nativeStringify = JSON.stringify;
    hidden(JSON, 'stringify', function stringify(value, replacer, space) {
        if (!Array.isArray(value) || value.length <= STEP || typeof replacer === 'function'
            || typeof value.toJSON === 'function')
            return nativeStringify.apply(JSON, arguments);
        var len = value.length, out = '', pretty = nativeStringify([0], null, space) !== '[0]';
        for (var k = 0; k < len; k += STEP) {
            var part = nativeStringify(piece(value, k, Math.min(k + STEP, len)), replacer, space);
            part = pretty ? part.slice(2, -2) : part.slice(1, -1);
            out = k === 0 ? part : out + (pretty ? ',\n' : ',') + part;
        }
        return pretty ? '[\n' + out + '\n]' : '[' + out + ']';
    });
    var nativeRepeat = String.prototype.repeat;
    hidden(String.prototype, 'repeat', function repeat(count) {
        var s = String(this), n = Math.trunc(Number(count)) || 0;
        if (n < 0 || n === Infinity) return nativeRepeat.call(s, n);
        if (s.length * n <= STEP * 16) return nativeRepeat.call(s, n);
        var per = Math.max(1, Math.floor(STEP * 16 / s.length)), out = '';
        // Each step's text is new, so the result is held whole, as it would be.
        for (var done = 0; done < n; done += per) out += nativeRepeat.call(s, Math.min(per, n - done)) + '';
        return out;
    });
    function pad(atStart) {
        var native = atStart ? String.prototype.padStart : String.prototype.padEnd;
        return function (length, filler) {
            var s = String(this), n = Math.trunc(Number(length)) || 0;
            if (n - s.length <= STEP * 16) return native.call(s, n, filler);
            var f = filler === undefined ? ' ' : String(filler);
            if (f === '') return s;
            var add = f.repeat(Math.ceil((n - s.length) / f.length)).slice(0, n - s.length);
            return atStart ? add + s : s + add;
        };
    }
    hidden(String.prototype, 'padStart', pad(true));
    hidden(String.prototype, 'padEnd', pad(false));
    // Native errors carry the number Windows' JScript gives their kind; an
    // error made with new Error(number, description) carries its own.
    var kinds = { ReferenceError: 5009, TypeError: 5007, RangeError: 5029, SyntaxError: 1002, URIError: 5022 };
    Object.defineProperty(Error.prototype, 'number', {
        configurable: true, enumerable: false,
        get: function () {
            if (this._number !== undefined) return this._number;
            var n = kinds[this.name];
            if (n === undefined) return undefined;
            if (n === 5007 && /is not a function/.test(String(this.message)))
                n = /property/i.test(String(this.message)) ? 438 : 5002;
            return hresult(n);
        },
        set: function (v) { hidden(this, '_number', v); }
    });
    var NativeError = Error;
    function WindowsError(a, b) {
        var e;
        if (arguments.length >= 2 || typeof a === 'number') {
            e = new NativeError(b === undefined ? '' : String(b));
            e.number = Number(a);
        } else {
            e = arguments.length ? new NativeError(a) : new NativeError();
        }
        return e;
    }
    WindowsError.prototype = NativeError.prototype;
    hidden(g, 'Error', WindowsError);
    // getYear as Windows' JScript: years of the 1900s from 1900, others whole.
    hidden(Date.prototype, 'getYear', function () {
        var y = this.getFullYear();
        return y >= 1900 && y < 2000 ? y - 1900 : y;
    });
    Object.defineProperty(Error.prototype, 'description', {
        configurable: true, enumerable: false,
        get: function () { return this._description !== undefined ? this._description : this.message; },
        set: function (v) { hidden(this, '_description', v); }
    });
    return { fail: fail, bounds: function (a, b) { hidden(a, '__vbBounds', b); return a; } };
})
)JS";

const char kPrelude[] = R"JS(
(function (bridge) {
    // The bridge answers a failure with an Error object instead of a value.
    function check(r) { if (r instanceof Error) throw r; return r; }
    function wrap(h) {
        var target = function () {};
        return new Proxy(target, {
            get: function (t, name) {
                // for...of walks a collection's items, as Enumerator does.
                if (name === Symbol.iterator)
                    return function () { return check(bridge.enumerate(h))[Symbol.iterator](); };
                if (typeof name !== 'string') return undefined;
                if (name === '__korvaneHandle') return h;
                return check(bridge.getMember(h, name));
            },
            set: function (t, name, value) {
                check(bridge.putMember(h, name, [value]));
                return true;
            },
            has: function (t, name) { return typeof name === 'string' && bridge.hasMember(h, name); },
            apply: function (t, self, args) { return check(bridge.callMember(h, '', args)); }
        });
    }
    function method(h, name) {
        return function () { return check(bridge.callMember(h, name, Array.prototype.slice.call(arguments))); };
    }
    return { wrap: wrap, method: method, check: check };
})
)JS";

// Walks JavaScript source past texts, comments and regular expressions:
// what the rewrites below must not touch.
struct JsScanner {
    explicit JsScanner(const QString& source) : code(source), n(source.size()) {}
    const QString& code;
    const qsizetype n;
    qsizetype i = 0;
    QChar lastSignificant;  // the last character outside texts and comments

    void skipQuoted(QChar quote)
    {
        for (++i; i < n && code[i] != quote; ++i) {
            if (code[i] == u'\\')
                ++i;
            else if (code[i] == u'\n' && quote != u'`')
                break;
        }
        ++i;
    }
    // Moves i past a text, comment or regular expression starting at i; false if none does.
    bool skipNonCode()
    {
        const QChar c = code[i];
        if (c == u'"' || c == u'\'' || c == u'`') {
            skipQuoted(c);
            return true;
        }
        if (c == u'/' && i + 1 < n && code[i + 1] == u'/') {
            while (i < n && code[i] != u'\n')
                ++i;
            return true;
        }
        if (c == u'/' && i + 1 < n && code[i + 1] == u'*') {
            const qsizetype end = code.indexOf(QLatin1String("*/"), i + 2);
            i = end < 0 ? n : end + 2;
            return true;
        }
        if (c == u'/' && (lastSignificant.isNull() || QStringLiteral("(,=:[!&|?{};+-*%<>~^").contains(lastSignificant))) {
            skipQuoted(u'/');
            while (i < n && code[i].isLetter())
                ++i;
            return true;
        }
        return false;
    }
};

bool isJsIdent(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; }

// Windows' JScript walks the items of a collection with for...in, as VBScript
// does with For Each. JavaScript's for...in gives property names, which a host
// object has none of, so before the code is compiled each
// for (left in right) becomes for (left of __korvaneForIn(right)): the items
// of a host collection, the property names of anything else (see
// kWindowsExtras). The lines of the code stay where they are.
QString rewriteForIn(const QString& code)
{
    struct Insert {
        qsizetype at, remove;
        QString text;
    };
    std::vector<Insert> inserts;
    JsScanner sc(code);
    const qsizetype n = sc.n;
    auto wordAt = [&](qsizetype at, QLatin1String word) {
        return code.mid(at, word.size()) == word && (at == 0 || (!isJsIdent(code[at - 1]) && code[at - 1] != u'.'))
            && (at + word.size() >= n || !isJsIdent(code[at + word.size()]));
    };
    while (sc.i < n) {
        if (sc.skipNonCode())
            continue;
        const qsizetype at = sc.i;
        if (!wordAt(at, QLatin1String("for"))) {
            if (!code[at].isSpace())
                sc.lastSignificant = code[at];
            ++sc.i;
            continue;
        }
        qsizetype open = at + 3;
        while (open < n && code[open].isSpace())
            ++open;
        sc.i = at + 3;
        sc.lastSignificant = u'r';
        if (open >= n || code[open] != u'(')
            continue;
        // The header, at its own depth: one "in" and no ";" make a for...in.
        JsScanner header(code);
        header.i = open + 1;
        header.lastSignificant = u'(';
        int depth = 0;
        qsizetype inAt = -1;
        bool plain = false;
        while (header.i < n) {
            if (header.skipNonCode())
                continue;
            const QChar c = code[header.i];
            if (c == u'(' || c == u'[' || c == u'{') {
                ++depth;
            } else if (c == u')' || c == u']' || c == u'}') {
                if (depth == 0)
                    break;
                --depth;
            } else if (depth == 0 && c == u';') {
                plain = true;
                break;
            } else if (depth == 0 && inAt < 0 && wordAt(header.i, QLatin1String("in"))) {
                inAt = header.i;
            }
            if (!c.isSpace())
                header.lastSignificant = c;
            ++header.i;
        }
        if (plain || inAt < 0 || header.i >= n)
            continue;
        inserts.push_back({inAt, 2, QStringLiteral("of __korvaneForIn(")});
        inserts.push_back({header.i, 0, QStringLiteral(")")});
    }
    if (inserts.empty())
        return code;
    std::sort(inserts.begin(), inserts.end(), [](const Insert& a, const Insert& b) { return a.at > b.at; });
    QString out = code;
    for (const Insert& e : inserts)
        out.replace(e.at, e.remove, e.text);
    return out;
}

// Windows' JScript lets a script assign to a parameterised property:
// d.Item(k) = v, d(k) = v. JavaScript has no such target, so before the code
// is compiled each such assignment becomes a call of __korvanePut(object,
// member, [arguments], value). Texts, comments and regular expressions are
// skipped; the lines of the code stay where they are.
QString rewriteCallAssignments(const QString& code)
{
    const qsizetype n = code.size();
    auto isIdent = [](QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'$'; };
    struct Edit {
        qsizetype calleeStart, open, close, valueStart, valueEnd;
    };
    std::vector<Edit> edits;
    std::vector<qsizetype> opens;
    JsScanner scanner(code);
    qsizetype& i = scanner.i;
    QChar& lastSignificant = scanner.lastSignificant;
    auto skipNonCode = [&] { return scanner.skipNonCode(); };
    while (i < n) {
        if (skipNonCode())
            continue;
        const QChar c = code[i];
        if (c == u'(') {
            opens.push_back(i);
        } else if (c == u')' && !opens.empty()) {
            const qsizetype open = opens.back();
            opens.pop_back();
            qsizetype j = i + 1;
            while (j < n && (code[j] == u' ' || code[j] == u'\t'))
                ++j;
            const bool assigns = j < n && code[j] == u'=' && (j + 1 >= n || (code[j + 1] != u'=' && code[j + 1] != u'>'));
            qsizetype k = open;
            while (k > 0 && (code[k - 1] == u' ' || code[k - 1] == u'\t'))
                --k;
            qsizetype start = k;
            while (start > 0 && (isIdent(code[start - 1]) || code[start - 1] == u'.'))
                --start;
            const QString callee = code.mid(start, k - start);
            static const QSet<QString> keywords = {QStringLiteral("if"), QStringLiteral("while"), QStringLiteral("for"),
                                                   QStringLiteral("switch"), QStringLiteral("catch"),
                                                   QStringLiteral("function"), QStringLiteral("return"),
                                                   QStringLiteral("with")};
            if (assigns && !callee.isEmpty() && isIdent(callee.back()) && !callee.front().isDigit()
                && callee.front() != u'.' && !keywords.contains(callee)
                && (start == 0 || code[start - 1] != u'.')) {
                // The value runs to the end of the expression statement.
                qsizetype v = j + 1;
                qsizetype save = i;
                i = v;
                int depth = 0;
                while (i < n) {
                    if (skipNonCode())
                        continue;
                    const QChar d = code[i];
                    if (d == u'(' || d == u'[' || d == u'{')
                        ++depth;
                    else if (d == u')' || d == u']' || d == u'}') {
                        if (depth == 0)
                            break;
                        --depth;
                    } else if (depth == 0 && (d == u';' || d == u',' || d == u'\n'))
                        break;
                    if (!d.isSpace())
                        lastSignificant = d;
                    ++i;
                }
                edits.push_back({start, open, save, v, i});
                i = save;
            }
        }
        if (!c.isSpace())
            lastSignificant = c;
        ++i;
    }
    if (edits.empty())
        return code;
    // Outermost first would move later offsets; apply from the end, and skip
    // an edit nested in one already made.
    QString out = code;
    qsizetype floor = n + 1;
    for (auto it = edits.rbegin(); it != edits.rend(); ++it) {
        if (it->valueEnd > floor)
            continue;
        const QString callee = code.mid(it->calleeStart, it->open - it->calleeStart).trimmed();
        const qsizetype dot = callee.lastIndexOf(u'.');
        const QString object = dot < 0 ? callee : callee.left(dot);
        const QString member = dot < 0 ? QString() : callee.mid(dot + 1);
        const QString args = code.mid(it->open + 1, it->close - it->open - 1);
        const QString value = code.mid(it->valueStart, it->valueEnd - it->valueStart);
        const QString call = QStringLiteral("__korvanePut(%1, '%2', [%3], %4)").arg(object, member, args, value);
        out.replace(it->calleeStart, it->valueEnd - it->calleeStart, call);
        floor = it->calleeStart;
    }
    return out;
}

class JScriptBackend;

class Bridge : public QObject {
    Q_OBJECT
public:
    Bridge(JScriptBackend* backend) : backend_(backend) {}
    Q_INVOKABLE QJSValue getMember(int handle, const QString& name);
    Q_INVOKABLE QJSValue putMember(int handle, const QString& name, const QJSValue& args);
    // name(args...) = value, the value last in args; an empty name is the default member.
    Q_INVOKABLE QJSValue putIndexed(int handle, const QString& name, const QJSValue& args);
    Q_INVOKABLE bool hasMember(int handle, const QString& name);
    Q_INVOKABLE QJSValue callMember(int handle, const QString& name, const QJSValue& args);
    Q_INVOKABLE QJSValue createObject(const QString& programId);
    Q_INVOKABLE QJSValue enumerate(int handle);
    Q_INVOKABLE int msgBox(const QJSValue& prompt, const QJSValue& buttons, const QJSValue& title);

private:
    JScriptBackend* backend_;
};

class JScriptBackend : public Backend {
public:
    JScriptBackend(MsgBox msgBox, Create create)
        : msgBox_(std::move(msgBox)), create_(std::move(create)), bridge_(this) {
        QJSValue factory = engine_.evaluate(QString::fromLatin1(kPrelude));
        QJSValue helpers = factory.call({engine_.newQObject(&bridge_)});
        wrap_ = helpers.property(QStringLiteral("wrap"));
        method_ = helpers.property(QStringLiteral("method"));
        engine_.globalObject().setProperty(QStringLiteral("__korvaneCheck"), helpers.property(QStringLiteral("check")));
        QJSEngine::setObjectOwnership(&bridge_, QJSEngine::CppOwnership);
        QJSValue global = engine_.globalObject();
        global.setProperty(QStringLiteral("__korvaneBridge"), engine_.newQObject(&bridge_));
        engine_.evaluate(QStringLiteral(
            "function ActiveXObject(id) { return __korvaneCheck(__korvaneBridge.createObject(String(id))); }\n"
            "function CreateObject(id) { return __korvaneCheck(__korvaneBridge.createObject(String(id))); }\n"
            "function MsgBox(p, b, t) { return __korvaneBridge.msgBox(p, b, t); }\n"
            "function __korvanePut(o, name, args, value) {\n"
            "  var h = (typeof o === 'object' || typeof o === 'function') && o !== null ? o.__korvaneHandle : undefined;\n"
            "  if (typeof h !== 'number') throw new TypeError('Cannot assign to a function result');\n"
            "  __korvaneCheck(__korvaneBridge.putIndexed(h, name, args.concat([value])));\n"
            "  return value;\n"
            "}\n"));
        QJSValue extras = engine_.evaluate(QString::fromLatin1(kWindowsExtras))
                              .call({global, engine_.newQObject(&bridge_), helpers.property(QStringLiteral("check"))});
        fail_ = extras.property(QStringLiteral("fail"));
        bounds_ = extras.property(QStringLiteral("bounds"));
        QJSValueIterator it(global);
        while (it.hasNext()) {
            it.next();
            builtins_.insert(it.name());
        }
    }

    bool addCode(const QString& code, Error* error) override {
        engine_.setInterrupted(false);  // a late stop request from the previous call
        QStringList trace;
        QJSValue result = engine_.evaluate(rewriteCallAssignments(rewriteForIn(code)), QStringLiteral("script"), 1, &trace);
        if (failed(result, error)) {
            // The error object has no column; the compiler's trace entry
            // ("function:line:column:file") has one for a syntax error.
            if (!trace.isEmpty() && error->column <= 0) {
                bool ok = false;
                const int column = trace.first().section(QLatin1Char(':'), 2, 2).toInt(&ok);
                if (ok && column > 0)
                    error->column = column;
            }
            return false;
        }
        // The global object does not keep declaration order; the source does.
        static const QRegularExpression declaration(QStringLiteral("\\bfunction\\s+([A-Za-z_$][\\w$]*)"));
        for (auto it = declaration.globalMatch(code); it.hasNext();) {
            const QString name = it.next().captured(1);
            if (!order_.contains(name))
                order_.append(name);
        }
        return true;
    }

    void addObject(const QString& name, DispatchRef object, bool addMembers) override {
        QJSValue global = engine_.globalObject();
        global.setProperty(name, toJs(Variant(object)));
        builtins_.insert(name);
        if (addMembers && object)
            globalsWith_.append(object);
        if (addMembers && object) {
            // JavaScript has no fallback scope for unknown globals, so the
            // members become accessor properties of the global object.
            QObject* qobject = automation::qobjectBehind(object);
            if (!qobject)
                return;
            for (const automation::MemberInfo& m : automation::membersOf(qobject->metaObject())) {
                if (builtins_.contains(m.name))
                    continue;
                builtins_.insert(m.name);
                const int h = handleFor(object);
                QJSValue define = engine_.evaluate(QStringLiteral(
                    "(function (g, name, h, isProperty, bridge) {"
                    " if (isProperty) Object.defineProperty(g, name, { configurable: true,"
                    "   get: function () { return __korvaneCheck(bridge.getMember(h, name)); },"
                    "   set: function (v) { __korvaneCheck(bridge.putMember(h, name, [v])); } });"
                    " else g[name] = function () { return __korvaneCheck(bridge.callMember(h, name,"
                    "   Array.prototype.slice.call(arguments))); }; })"));
                define.call({global, m.name, h, m.isProperty && m.argumentCount == 0,
                             engine_.newQObject(&bridge_)});
            }
        }
    }

    QList<Procedure> procedures() const override {
        QList<Procedure> list;
        QJSValueIterator it(engine_.globalObject());
        while (it.hasNext()) {
            it.next();
            if (builtins_.contains(it.name()) || !it.value().isCallable())
                continue;
            list.append({it.name(), it.value().property(QStringLiteral("length")).toInt()});
        }
        std::stable_sort(list.begin(), list.end(), [this](const Procedure& a, const Procedure& b) {
            const qsizetype ia = order_.indexOf(a.name), ib = order_.indexOf(b.name);
            return (ia < 0 ? order_.size() : ia) < (ib < 0 ? order_.size() : ib);
        });
        return list;
    }

    bool run(const QString& name, const QList<Variant>& args, Variant* result, Error* error) override {
        QJSValue fn = engine_.globalObject().property(name);
        if (!fn.isCallable()) {
            *error = {35, QStringLiteral("Sub or Function not defined"), 0, 0};
            return false;
        }
        QJSValueList jsArgs;
        for (const Variant& a : args)
            jsArgs.append(toJs(a));
        engine_.setInterrupted(false);
        QJSValue value = fn.call(jsArgs);
        if (failed(value, error))
            return false;
        if (result) {
            try {
                *result = fromJs(value);
            } catch (const AutomationError& e) {
                *error = {e.number(), e.description(), 0, 0};
                return false;
            }
        }
        return true;
    }

    void interrupt() override { engine_.setInterrupted(true); }

    // --- Used by the bridge
    QJSValue toJs(const Variant& v) {
        switch (v.type()) {
        case automation::VarType::Empty:
            return QJSValue(QJSValue::UndefinedValue);
        case automation::VarType::Null:
            return QJSValue(QJSValue::NullValue);
        case automation::VarType::Boolean:
            return QJSValue(v.toBool());
        case automation::VarType::String:
            return QJSValue(v.stringRef());
        case automation::VarType::Date:
            return engine_.toScriptValue(automation::fromOleDate(v.toDate()));
        case automation::VarType::Dispatch: {
            if (v.isNothing())
                return QJSValue(QJSValue::NullValue);
            return wrap_.call({handleFor(v.objectRef())});
        }
        case automation::VarType::Array: {
            const automation::Array& source = v.arrayRef();
            const QList<Variant>& items = source.elements();
            QJSValue array = engine_.newArray(uint(items.size()));
            for (qsizetype i = 0; i < items.size(); ++i)
                array.setProperty(quint32(i), toJs(items[i]));
            // VBArray needs the shape of arrays that are not one 0-based row.
            if (source.dimensions() > 1 || (source.dimensions() == 1 && source.lowerBound(1) != 0)) {
                QJSValue shape = engine_.newArray(uint(source.dimensions()));
                for (int d = 1; d <= source.dimensions(); ++d) {
                    QJSValue pair = engine_.newArray(2);
                    pair.setProperty(0, source.lowerBound(d));
                    pair.setProperty(1, source.upperBound(d));
                    shape.setProperty(quint32(d - 1), pair);
                }
                bounds_.call({array, shape});
            }
            return array;
        }
        case automation::VarType::Error:
            return QJSValue(QJSValue::UndefinedValue);
        default:
            return QJSValue(v.rawNumber());
        }
    }

    Variant fromJs(const QJSValue& v) {
        if (v.isUndefined())
            return Variant();
        if (v.isNull())
            return Variant::null();
        if (v.isBool())
            return Variant(v.toBool());
        if (v.isNumber()) {
            const double d = v.toNumber();
            if (d == double(qint32(d)) && d >= -2147483648.0 && d <= 2147483647.0)
                return Variant(qint32(d));
            return Variant(d);
        }
        if (v.isString())
            return Variant(v.toString());
        if (v.isDate())
            return Variant::fromDateTime(v.toDateTime());
        if (v.isObject() || v.isCallable()) {
            QJSValue h = v.property(QStringLiteral("__korvaneHandle"));
            if (h.isNumber()) {
                auto it = handles_.find(h.toInt());
                if (it != handles_.end())
                    return Variant(it->second);
            }
            if (v.isArray()) {
                QList<Variant> items;
                const int n = qBound(0, v.property(QStringLiteral("length")).toInt(), 1 << 20);
                for (int i = 0; i < n; ++i)
                    items.append(fromJs(v.property(quint32(i))));
                return Variant(automation::Array::fromList(items));
            }
        }
        return Variant(v.toString());
    }

    int handleFor(const DispatchRef& object) {
        const void* id = object->identity();
        auto known = byIdentity_.find(id);
        if (known != byIdentity_.end())
            return known->second;
        const int h = nextHandle_++;
        handles_[h] = object;
        byIdentity_[id] = h;
        return h;
    }
    DispatchRef object(int handle) {
        auto it = handles_.find(handle);
        return it == handles_.end() ? DispatchRef() : it->second;
    }
    // Errors of automation objects as Windows' JScript shows them: number is
    // the HRESULT (0x800A0000 | n, a negative number), description the text.
    QJSValue raise(const AutomationError& e) {
        const QString text = e.description().isEmpty() ? automation::standardDescription(e.number()) : e.description();
        return fail_.call({e.number(), text});
    }
    QList<Variant> argList(const QJSValue& args) {
        QList<Variant> list;
        const int n = qBound(0, args.property(QStringLiteral("length")).toInt(), 1 << 16);
        for (int i = 0; i < n; ++i)
            list.append(fromJs(args.property(quint32(i))));
        return list;
    }
    QJSValue method(int handle, const QString& name) { return method_.call({handle, name}); }

    MsgBox msgBox_;
    Create create_;

private:
    bool failed(const QJSValue& value, Error* error) {
        if (engine_.isInterrupted()) {
            engine_.setInterrupted(false);
            *error = {kTimeoutError, QStringLiteral("User interrupt occurred"), 0, 0};
            return true;
        }
        if (!value.isError())
            return false;
        const QString message = value.property(QStringLiteral("message")).toString();
        QJSValue number = value.property(QStringLiteral("number"));
        int code = number.isNumber() ? number.toInt() : 0;
        // The host sees the error's own number, as VBScript gives it.
        if ((quint32(code) & 0xFFFF0000u) == 0x800A0000u)
            code = int(quint32(code) & 0xFFFFu);
        if (code == 0) {
            switch (value.errorType()) {
            case QJSValue::SyntaxError: code = 1002; break;
            case QJSValue::ReferenceError: code = 5009; break;
            case QJSValue::TypeError: code = 5; break;
            case QJSValue::RangeError: code = 5029; break;
            default: code = 5; break;
            }
        }
        *error = {code, message.isEmpty() ? value.toString() : message,
                  value.property(QStringLiteral("lineNumber")).toInt(), 0};
        // An error raised by the host's helpers carries their line; the
        // script's own line is the first frame of the script in the stack.
        static const QRegularExpression scriptFrame(QStringLiteral("@file:script:(\\d+)"));
        const QRegularExpressionMatch frame = scriptFrame.match(value.property(QStringLiteral("stack")).toString());
        if (frame.hasMatch())
            error->line = frame.captured(1).toInt();
        return true;
    }

    QJSEngine engine_;
    Bridge bridge_;
    QJSValue wrap_;
    QJSValue method_;
    QJSValue fail_;
    QJSValue bounds_;
    QSet<QString> builtins_;
    QStringList order_;
    QList<DispatchRef> globalsWith_;
    std::map<int, DispatchRef> handles_;
    std::map<const void*, int> byIdentity_;
    int nextHandle_ = 1;
};

// Members are told apart by the layer's metadata where there is some: a
// property without arguments reads at once, anything else becomes a function.
QJSValue Bridge::getMember(int handle, const QString& name) {
    DispatchRef obj = backend_->object(handle);
    if (!obj) {
        return backend_->raise(AutomationError(automation::error::kObjectRequired));
    }
    try {
        const automation::DispId id = obj->memberId(name);
        if (id == automation::kDispIdUnknown) {
            if (name == QLatin1String("toString") || name == QLatin1String("valueOf"))
                return backend_->method(handle, QString());
            if (name == QLatin1String("then") || name == QLatin1String("constructor") ||
                name == QLatin1String("prototype") || name == QLatin1String("toJSON"))
                return QJSValue(QJSValue::UndefinedValue);
            throw AutomationError(automation::error::kNoSuchMember);
        }
        if (QObject* q = automation::qobjectBehind(obj)) {
            for (const automation::MemberInfo& m : automation::membersOf(q->metaObject())) {
                if (m.id != id)
                    continue;
                if (!m.isProperty || m.argumentCount > 0)
                    return backend_->method(handle, name);
                break;
            }
        }
        QList<Variant> none;
        try {
            return backend_->toJs(obj->invoke(id, CallKind::PropertyGet, none));
        } catch (const AutomationError& e) {
            // A method, or a property that needs arguments.
            if (e.number() == automation::error::kNoSuchMember || e.number() == automation::error::kWrongArgumentCount)
                return backend_->method(handle, name);
            throw;
        }
    } catch (const AutomationError& e) {
        return backend_->raise(e);
    }
}

QJSValue Bridge::putMember(int handle, const QString& name, const QJSValue& args) {
    DispatchRef obj = backend_->object(handle);
    try {
        if (!obj)
            throw AutomationError(automation::error::kObjectRequired);
        QList<Variant> list = backend_->argList(args);
        const automation::DispId id = obj->requireId(name);
        obj->invoke(id, list.value(0).isObject() ? CallKind::PropertyPutRef : CallKind::PropertyPut, list);
    } catch (const AutomationError& e) {
        return backend_->raise(e);
    }
    return QJSValue(QJSValue::UndefinedValue);
}

QJSValue Bridge::putIndexed(int handle, const QString& name, const QJSValue& args) {
    DispatchRef obj = backend_->object(handle);
    try {
        if (!obj)
            throw AutomationError(automation::error::kObjectRequired);
        QList<Variant> list = backend_->argList(args);
        const automation::DispId id = name.isEmpty() ? automation::kDispIdValue : obj->requireId(name);
        obj->invoke(id, !list.isEmpty() && list.last().isObject() ? CallKind::PropertyPutRef : CallKind::PropertyPut, list);
    } catch (const AutomationError& e) {
        return backend_->raise(e);
    }
    return QJSValue(QJSValue::UndefinedValue);
}

bool Bridge::hasMember(int handle, const QString& name) {
    DispatchRef obj = backend_->object(handle);
    return obj && obj->memberId(name) != automation::kDispIdUnknown;
}

QJSValue Bridge::callMember(int handle, const QString& name, const QJSValue& args) {
    DispatchRef obj = backend_->object(handle);
    try {
        if (!obj)
            throw AutomationError(automation::error::kObjectRequired);
        QList<Variant> list = backend_->argList(args);
        const automation::DispId id = name.isEmpty() ? automation::kDispIdValue : obj->requireId(name);
        return backend_->toJs(obj->invoke(id, CallKind::Method | CallKind::PropertyGet, list));
    } catch (const AutomationError& e) {
        return backend_->raise(e);
    }
}

QJSValue Bridge::createObject(const QString& programId) {
    DispatchRef obj = backend_->create_ ? backend_->create_(programId) : DispatchRef();
    if (!obj) {
        return backend_->raise(AutomationError(automation::error::kCannotCreateObject,
                                               QStringLiteral("Automation server can't create object")));
    }
    return backend_->toJs(Variant(obj));
}

QJSValue Bridge::enumerate(int handle) {
    DispatchRef obj = backend_->object(handle);
    try {
        if (!obj)
            throw AutomationError(automation::error::kObjectRequired);
        std::optional<QList<Variant>> items = obj->enumerate();
        if (!items)
            throw AutomationError(451, QStringLiteral("Object not a collection"));
        return backend_->toJs(Variant(automation::Array::fromList(*items)));
    } catch (const AutomationError& e) {
        return backend_->raise(e);
    }
}

int Bridge::msgBox(const QJSValue& prompt, const QJSValue& buttons, const QJSValue& title) {
    const QString text = prompt.isUndefined() ? QString() : prompt.toString();
    const int b = buttons.isUndefined() ? 0 : buttons.toInt();
    const QString caption = title.isUndefined() ? QString() : title.toString();
    return backend_->msgBox_ ? backend_->msgBox_(text, b, caption) : 1;
}

}  // namespace

}  // namespace scriptcontrol

// The entry libkorvane_jscript gives the script control (see jscript_loader.cpp).
extern "C" Q_DECL_EXPORT scriptcontrol::Backend* korvane_jscript_backend(const scriptcontrol::Backend::MsgBox* msgBox,
                                                                        const scriptcontrol::Backend::Create* create) {
    return new scriptcontrol::JScriptBackend(*msgBox, *create);
}

#include "jscript_backend.moc"

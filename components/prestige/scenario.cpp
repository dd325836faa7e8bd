#include "components/prestige/scenario.h"

#include <QFile>
#include <QHostAddress>
#include <QRegularExpression>

#include <algorithm>

namespace prestige {

namespace {

std::optional<int> parseInt(const QString& text, int low, int high)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

std::optional<int> parseTime(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(':'));
    if (parts.size() == 1)
        return parseInt(parts[0], 0, Scenario::kMaxSecond);
    if (parts.size() == 2) {
        const auto minutes = parseInt(parts[0], 0, Scenario::kMaxSecond / 60);
        const auto seconds = parseInt(parts[1], 0, 59);
        if (minutes && seconds && parts[1].size() == 2)
            return *minutes * 60 + *seconds;
    }
    return std::nullopt;
}

std::optional<int> parseLine(const QString& text)
{
    return parseInt(text, 1, 2);
}

std::optional<int> parseChannel(const QString& text)
{
    const QString t = text.toLower();
    if (t == QLatin1String("any"))
        return 0;
    if (t == QLatin1String("1") || t == QLatin1String("b1"))
        return 1;
    if (t == QLatin1String("2") || t == QLatin1String("b2"))
        return 2;
    return std::nullopt;
}

// Hex bytes as separate tokens ("45 00") or run together ("4500").
std::optional<QByteArray> parseHex(const QStringList& tokens, QString* why)
{
    QByteArray bytes;
    for (const QString& token : tokens) {
        if (token.size() % 2 || !QRegularExpression(QStringLiteral("^[0-9A-Fa-f]+$")).match(token).hasMatch()) {
            *why = QStringLiteral("'%1' is not a run of hex bytes").arg(token);
            return std::nullopt;
        }
        bytes += QByteArray::fromHex(token.toLatin1());
        if (bytes.size() > kMaxLanPacketBytes) {
            *why = QStringLiteral("a packet holds at most %1 bytes").arg(kMaxLanPacketBytes);
            return std::nullopt;
        }
    }
    if (bytes.isEmpty()) {
        *why = QStringLiteral("packet needs its bytes");
        return std::nullopt;
    }
    return bytes;
}

std::optional<ScenarioEvent> parseEvent(const QStringList& words, QString* why)
{
    ScenarioEvent e;
    const auto at = parseTime(words[0]);
    if (!at) {
        *why = QStringLiteral("'%1' is not a time (seconds, or minutes:seconds, up to %2 s)")
                   .arg(words[0])
                   .arg(Scenario::kMaxSecond);
        return std::nullopt;
    }
    e.atSecond = *at;
    if (words.size() < 2) {
        *why = QStringLiteral("an event is missing after the time");
        return std::nullopt;
    }
    const QString verb = words[1].toLower();
    const QStringList args = words.mid(2);
    auto needs = [&](qsizetype low, qsizetype high, const char* usage) {
        if (args.size() < low || args.size() > high) {
            *why = QStringLiteral("usage: <time> %1").arg(QLatin1String(usage));
            return false;
        }
        return true;
    };

    if (verb == QLatin1String("call")) {
        static const char usage[] = "call <line> <channel> in|out data <number> <node> <peer-ip> [56|64]"
                                    " or call <line> <channel> in|out voice <number>";
        if (!needs(5, 8, usage))
            return std::nullopt;
        e.kind = ScenarioEvent::Call;
        const auto line = parseLine(args[0]);
        const auto channel = parseChannel(args[1]);
        const QString direction = args[2].toLower();
        const QString kind = args[3].toLower();
        const bool data = kind == QLatin1String("data") && (args.size() == 7 || args.size() == 8);
        const bool voice = kind == QLatin1String("voice") && args.size() == 5;
        if (!line || !channel || (direction != QLatin1String("in") && direction != QLatin1String("out"))
            || (!data && !voice)) {
            *why = QStringLiteral("usage: <time> %1").arg(QLatin1String(usage));
            return std::nullopt;
        }
        e.call.line = *line;
        e.call.channel = *channel;
        e.call.direction = direction == QLatin1String("in") ? Direction::In : Direction::Out;
        e.call.kind = data ? CallKind::Data : CallKind::Voice;
        e.call.number = args[4];
        if (data) {
            e.call.node = args[5];
            e.call.peerIp = args[6];
            if (args.size() == 8) {
                const auto rate = parseInt(args[7], 56, 64);
                if (!rate || (*rate != 56 && *rate != 64)) {
                    *why = QStringLiteral("the rate is 56 or 64");
                    return std::nullopt;
                }
                e.call.rate = *rate;
            }
        }
        // Check everything a call could reject now, so that a bad file fails
        // at load rather than minutes into the run.
        RouterState probe;
        QString reason;
        if (!probe.startCall(e.call, &reason)) {
            *why = reason;
            return std::nullopt;
        }
        return e;
    }
    if (verb == QLatin1String("hangup")) {
        if (!needs(1, 1, "hangup <line>|all"))
            return std::nullopt;
        e.kind = ScenarioEvent::Hangup;
        if (args[0].toLower() == QLatin1String("all")) {
            e.line = 0;
        } else if (const auto line = parseLine(args[0])) {
            e.line = *line;
        } else {
            *why = QStringLiteral("usage: <time> hangup <line>|all");
            return std::nullopt;
        }
        return e;
    }
    if (verb == QLatin1String("load")) {
        if (!needs(2, 3, "load <line> <percent> [<ramp-seconds>]"))
            return std::nullopt;
        e.kind = ScenarioEvent::Load;
        const auto line = parseLine(args[0]);
        const auto percent = parseInt(args[1], 0, 100);
        const auto ramp = args.size() > 2 ? parseInt(args[2], 0, Scenario::kMaxSecond) : std::optional<int>(0);
        if (!line || !percent || !ramp) {
            *why = QStringLiteral("usage: <time> load <line 1|2> <percent 0..100> [<ramp-seconds>]");
            return std::nullopt;
        }
        e.line = *line;
        e.percent = *percent;
        e.rampSeconds = *ramp;
        return e;
    }
    if (verb == QLatin1String("errors")) {
        if (!needs(2, 2, "errors <line> <count>"))
            return std::nullopt;
        e.kind = ScenarioEvent::Errors;
        const auto line = parseLine(args[0]);
        const auto count = parseInt(args[1], 1, int(kErrorCounterModulo - 1));
        if (!line || !count) {
            *why = QStringLiteral("usage: <time> errors <line 1|2> <count 1..%1>").arg(kErrorCounterModulo - 1);
            return std::nullopt;
        }
        e.line = *line;
        e.count = *count;
        return e;
    }
    if (verb == QLatin1String("packet")) {
        if (args.size() < 2) {
            *why = QStringLiteral("usage: <time> packet ip|ipx <hex bytes>...");
            return std::nullopt;
        }
        e.kind = ScenarioEvent::Packet;
        const QString type = args[0].toLower();
        if (type != QLatin1String("ip") && type != QLatin1String("ipx")) {
            *why = QStringLiteral("the packet type is ip or ipx");
            return std::nullopt;
        }
        e.ipx = type == QLatin1String("ipx");
        const auto bytes = parseHex(args.mid(1), why);
        if (!bytes)
            return std::nullopt;
        e.packet = *bytes;
        return e;
    }
    if (verb == QLatin1String("loop")) {
        if (!needs(0, 0, "loop"))
            return std::nullopt;
        if (e.atSecond == 0) {
            *why = QStringLiteral("a loop needs a time after 0");
            return std::nullopt;
        }
        e.kind = ScenarioEvent::Loop;
        return e;
    }
    *why = QStringLiteral("unknown event '%1' (call, hangup, load, errors, packet, loop)").arg(words[1]);
    return std::nullopt;
}

} // namespace

std::optional<Scenario> Scenario::parse(const QString& text, QString* error)
{
    Scenario s;
    const QStringList lines = text.split(QLatin1Char('\n'));
    int previous = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0)
            line.truncate(hash);
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        auto fail = [&](const QString& why) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(i + 1).arg(why);
            return std::nullopt;
        };
        if (s.loopSeconds_)
            return fail(QStringLiteral("nothing may follow the loop"));
        if (s.events_.size() >= kMaxEvents)
            return fail(QStringLiteral("more than %1 events").arg(kMaxEvents));
        QString why;
        auto event = parseEvent(words, &why);
        if (!event)
            return fail(why);
        if (event->atSecond < previous)
            return fail(QStringLiteral("time %1 is before the time of the line above").arg(words[0]));
        previous = event->atSecond;
        event->sourceLine = int(i + 1);
        if (event->kind == ScenarioEvent::Loop)
            s.loopSeconds_ = event->atSecond;
        else
            s.events_.append(*event);
    }
    return s;
}

std::optional<Scenario> Scenario::load(const QString& fileName, QString* error)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(fileName, file.errorString());
        return std::nullopt;
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (bytes.size() > kMaxFileBytes) {
        if (error)
            *error = QStringLiteral("%1: larger than %2 bytes, not a scenario").arg(fileName).arg(kMaxFileBytes);
        return std::nullopt;
    }
    QString why;
    auto scenario = parse(QString::fromUtf8(bytes), &why);
    if (!scenario && error)
        *error = QStringLiteral("%1: %2").arg(fileName, why);
    return scenario;
}

QString Scenario::builtInText()
{
    return QStringLiteral(
        "# About a minute of a working day, then again.\n"
        "2     call 1 B1 out data 5551234 Office 10.0.0.1\n"
        "3     load 1 25 4\n"
        "8     load 1 92 12\n"
        "20    call 2 B2 in voice 0301234567\n"
        "24    errors 1 2\n"
        "28    load 1 45 6\n"
        "36    hangup 2\n"
        "40    load 1 10 4\n"
        "46    hangup 1\n"
        "47    packet ipx FFFF 002E 0004 00000002 FFFFFFFFFFFF 0452 00000001 00A0C54E217B 4005 0001 0004 0000 0000 0000 0000 0000 0000\n"
        "48    call 1 any out data 5559876 NetWare 10.0.2.1\n"
        "49    load 1 60 3\n"
        "53    hangup 1\n"
        "54    call 2 any in data 40001 Branch 10.0.1.1\n"
        "55    load 2 30 2\n"
        "60    hangup 2\n"
        "62    loop\n");
}

Scenario Scenario::builtIn()
{
    QString error;
    auto s = parse(builtInText(), &error);
    Q_ASSERT_X(s, "Scenario::builtIn", qPrintable(error));
    return s ? *s : Scenario {};
}

ScenarioPlayer::ScenarioPlayer(Scenario scenario, RouterState& state)
    : scenario_(std::move(scenario))
    , state_(state)
{
}

void ScenarioPlayer::step()
{
    const auto& events = scenario_.events();
    if (scenario_.loopSeconds() && second_ >= *scenario_.loopSeconds()) {
        second_ = 0;
        next_ = 0;
    }
    while (next_ < events.size() && events[next_].atSecond <= second_)
        apply(events[next_++]);
    state_.advance();
    ++second_;
}

void ScenarioPlayer::apply(const ScenarioEvent& e)
{
    QString why;
    switch (e.kind) {
    case ScenarioEvent::Call:
        if (!state_.startCall(e.call, &why) && onSkipped)
            onSkipped(e, why);
        break;
    case ScenarioEvent::Hangup:
        if (e.line == 0)
            state_.dropChannel(0);
        else if (!state_.hangup(e.line) && onSkipped)
            onSkipped(e, QStringLiteral("line %1 has no call").arg(e.line));
        break;
    case ScenarioEvent::Load:
        state_.setLoad(e.line, e.percent, e.rampSeconds);
        break;
    case ScenarioEvent::Errors:
        state_.addErrors(e.line, e.count);
        break;
    case ScenarioEvent::Packet:
        state_.setPendingLanPacket(e.packet, e.ipx);
        break;
    case ScenarioEvent::Loop:
        break;
    }
}

} // namespace prestige

#pragma once
// A scenario: timed events that drive the simulated router, read from a small
// text file (one event a line) or taken from the built-in one-minute cycle.
//
//   # comment
//   <time> call <line> <channel> in|out data <number> <node> <peer-ip> [56|64]
//   <time> call <line> <channel> in|out voice <number>
//   <time> hangup <line>|all
//   <time> load <line> <percent> [<ramp-seconds>]
//   <time> errors <line> <count>
//   <time> packet ip|ipx <hex bytes>...
//   <time> loop
//
// <time> is seconds from the start (or minutes:seconds), never earlier than
// the line before; <channel> is 1, 2, B1, B2 or "any".

#include "components/prestige/router_state.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace prestige {

struct ScenarioEvent {
    enum Kind { Call, Hangup, Load, Errors, Packet, Loop };
    Kind kind = Call;
    int atSecond = 0;
    int sourceLine = 0;
    CallRequest call;        // Call
    int line = 0;         // Hangup (0: both), Load, Errors
    int percent = 0;      // Load
    int rampSeconds = 0;  // Load
    int count = 0;        // Errors
    QByteArray packet;    // Packet
    bool ipx = false;     // Packet
};

class Scenario {
public:
    // Limits against a file that is not a scenario at all.
    static constexpr int kMaxEvents = 10000;
    static constexpr qsizetype kMaxFileBytes = 1 << 20;
    static constexpr int kMaxSecond = 7 * 24 * 3600;

    // Either a scenario or, in error, "line N: reason" for the first bad line.
    static std::optional<Scenario> parse(const QString& text, QString* error);
    static std::optional<Scenario> load(const QString& fileName, QString* error);
    // About a minute: a data call comes up and its load ramps, an incoming
    // voice call with a caller id takes the second channel, both end, and an
    // incoming data call follows; then it starts over.
    static Scenario builtIn();
    static QString builtInText();

    const QList<ScenarioEvent>& events() const { return events_; }
    // Seconds after which the scenario starts over; no value: it runs once.
    std::optional<int> loopSeconds() const { return loopSeconds_; }

private:
    QList<ScenarioEvent> events_;
    std::optional<int> loopSeconds_;
};

// Plays a scenario against a state, one second a step.
class ScenarioPlayer {
public:
    ScenarioPlayer(Scenario scenario, RouterState& state);

    // Runs the events due at the current second, then moves the state on by
    // one second. Events that cannot apply (a line already busy, say) are
    // skipped and reported through onSkipped.
    void step();
    int second() const { return second_; }

    std::function<void(const ScenarioEvent&, const QString& why)> onSkipped;

private:
    void apply(const ScenarioEvent& event);

    Scenario scenario_;
    RouterState& state_;
    int second_ = 0;
    qsizetype next_ = 0;
};

} // namespace prestige

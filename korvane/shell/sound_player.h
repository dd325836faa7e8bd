#pragma once
// The line-up and line-down sounds: a wave file played asynchronously by
// name, as the platform's PlaySound did. The file is looked at first: one
// that is missing or does not begin like a RIFF/WAVE file is not handed to
// the audio layer, and the reason goes to the failure listener (the console
// prints it, the frame may show it in its status bar). A failure never
// reaches the controller and never stops monitoring.

#include "korvane/monitor/controller.h"

#include <QString>

#include <functional>
#include <memory>

class QUrl;

namespace korvane {

// What libkorvane_sound gives: one sound at a time, a new one cutting the one
// still playing.
class WaveOutput {
public:
    virtual ~WaveOutput() = default;
    // Starts playing; onError is called if the audio layer fails it later.
    virtual void play(const QUrl& file) = 0;
    std::function<void()> onError;
};

class WaveSoundPlayer : public SoundPlayer {
public:
    using FailureListener = std::function<void(const QString& file, const QString& reason)>;

    WaveSoundPlayer();
    ~WaveSoundPlayer() override;
    WaveSoundPlayer(const WaveSoundPlayer&) = delete;
    WaveSoundPlayer& operator=(const WaveSoundPlayer&) = delete;

    // SoundPlayer: plays the file if it looks like a wave file, else tells
    // the listener why not.
    void play(const QString& file) override;
    // The same, returning the reason; empty when playing has started (a
    // decoding failure of the audio layer still arrives later, through the
    // listener).
    QString playFile(const QString& file);

    // Empty when the file exists, can be read and begins with a RIFF header
    // of form WAVE; otherwise why it would not be played.
    static QString checkWaveFile(const QString& file);

    void setFailureListener(FailureListener listener) { listener_ = std::move(listener); }
    // The last reason a sound was not played; empty after a started play.
    const QString& lastFailure() const { return lastFailure_; }
    // Plays handed to the audio layer.
    int started() const { return started_; }

    // A RIFF header is 12 bytes: "RIFF", the chunk size, "WAVE".
    static constexpr int kHeaderBytes = 12;

private:
    void fail(const QString& file, const QString& reason);
    bool makeOutput();

    // Null until the first play; stays null when the library is missing.
    std::unique_ptr<WaveOutput> output_;
    QString outputProblem_;
    FailureListener listener_;
    QString current_;
    QString lastFailure_;
    int started_ = 0;
};

}  // namespace korvane

// libkorvane_sound: the wave player's audio layer on Qt Multimedia, loaded at
// the first sound.

#include "korvane/shell/sound_player.h"

#include <QSoundEffect>
#include <QUrl>

namespace {

class SoundEffectOutput final : public korvane::WaveOutput {
public:
    SoundEffectOutput() {
        QObject::connect(&effect_, &QSoundEffect::statusChanged, &effect_, [this] {
            if (effect_.status() == QSoundEffect::Error && onError)
                onError();
        });
    }
    ~SoundEffectOutput() override {
        effect_.disconnect();
        effect_.stop();
    }

    void play(const QUrl& file) override {
        // As PlaySound did, a new sound cuts the one still playing.
        effect_.stop();
        // The same file again is played from what is loaded; one that failed
        // before is loaded afresh, it may have been replaced meanwhile.
        if (effect_.source() != file || effect_.status() == QSoundEffect::Error) {
            effect_.setSource(QUrl());
            effect_.setSource(file);
        }
        effect_.play();
    }

private:
    QSoundEffect effect_;
};

}  // namespace

extern "C" Q_DECL_EXPORT korvane::WaveOutput* korvane_wave_output() { return new SoundEffectOutput; }

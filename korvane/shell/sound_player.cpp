#include "korvane/shell/sound_player.h"

#include <QFile>
#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

namespace korvane {

WaveSoundPlayer::WaveSoundPlayer() : effect_(std::make_unique<QSoundEffect>()) {
    QObject::connect(effect_.get(), &QSoundEffect::statusChanged, effect_.get(), [this] { onStatusChanged(); });
}

WaveSoundPlayer::~WaveSoundPlayer() {
    // No status report may reach a half-destroyed player.
    effect_->disconnect();
    effect_->stop();
}

QString WaveSoundPlayer::checkWaveFile(const QString& file) {
    if (file.isEmpty())
        return QStringLiteral("No sound file is named");
    const QFileInfo info(file);
    if (!info.exists())
        return QStringLiteral("The sound file \"%1\" does not exist").arg(file);
    // A pipe or a device would block the open or never end.
    if (!info.isFile())
        return QStringLiteral("The sound file \"%1\" is not a file").arg(file);
    QFile in(info.absoluteFilePath());
    if (!in.open(QIODevice::ReadOnly))
        return QStringLiteral("The sound file \"%1\" cannot be read: %2").arg(file, in.errorString());
    const QByteArray header = in.read(kHeaderBytes);
    if (header.size() < kHeaderBytes || !header.startsWith("RIFF") || header.mid(8, 4) != "WAVE")
        return QStringLiteral("The sound file \"%1\" is not a wave file").arg(file);
    return QString();
}

QString WaveSoundPlayer::playFile(const QString& file) {
    const QString problem = checkWaveFile(file);
    if (!problem.isEmpty()) {
        fail(file, problem);
        return problem;
    }
    lastFailure_.clear();
    const QUrl url = QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath());
    current_ = file;
    // As PlaySound did, a new sound cuts the one still playing.
    effect_->stop();
    // The same file again is played from what is loaded; one that failed
    // before is loaded afresh, it may have been replaced meanwhile.
    if (effect_->source() != url || effect_->status() == QSoundEffect::Error) {
        effect_->setSource(QUrl());
        effect_->setSource(url);
    }
    effect_->play();
    ++started_;
    return QString();
}

void WaveSoundPlayer::play(const QString& file) { playFile(file); }

void WaveSoundPlayer::fail(const QString& file, const QString& reason) {
    lastFailure_ = reason;
    if (listener_)
        listener_(file, reason);
}

void WaveSoundPlayer::onStatusChanged() {
    if (effect_->status() == QSoundEffect::Error && !current_.isEmpty())
        fail(current_, QStringLiteral("The sound file \"%1\" could not be played").arg(current_));
}

}  // namespace korvane

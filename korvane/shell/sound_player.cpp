#include "korvane/shell/sound_player.h"

#include "automation/private_library.h"

#include <QFile>
#include <QFileInfo>
#include <QUrl>

namespace korvane {

WaveSoundPlayer::WaveSoundPlayer() = default;

WaveSoundPlayer::~WaveSoundPlayer() {
    // No status report may reach a half-destroyed player.
    if (output_)
        output_->onError = nullptr;
}

bool WaveSoundPlayer::makeOutput() {
    if (output_)
        return true;
    if (!outputProblem_.isEmpty())
        return false;
    using Make = WaveOutput*();
    QString error;
    auto* make = reinterpret_cast<Make*>(
        automation::resolvePrivateSymbol(QStringLiteral("libkorvane_sound.so"), "korvane_wave_output", &error));
    if (!make) {
        outputProblem_ = QStringLiteral("Sounds cannot be played: ") + error;
        return false;
    }
    output_.reset(make());
    output_->onError = [this] {
        if (!current_.isEmpty())
            fail(current_, QStringLiteral("The sound file \"%1\" could not be played").arg(current_));
    };
    return true;
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
    if (!makeOutput()) {
        fail(file, outputProblem_);
        return outputProblem_;
    }
    lastFailure_.clear();
    current_ = file;
    output_->play(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()));
    ++started_;
    return QString();
}

void WaveSoundPlayer::play(const QString& file) { playFile(file); }

void WaveSoundPlayer::fail(const QString& file, const QString& reason) {
    lastFailure_ = reason;
    if (listener_)
        listener_(file, reason);
}

}  // namespace korvane

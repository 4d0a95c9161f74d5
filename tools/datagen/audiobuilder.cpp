#include "audiobuilder.h"

#include "text/pinyin.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include <memory>
#include <vector>

#include <unistd.h>

namespace korvo {

namespace {

// Reads a tone-numbered syllable ("lv3", "ma5") aloud and encodes it as a mono MP3.
const char* const SynthesisScript =
    "set -e; espeak-ng -v cmn-latn-pinyin -s 150 -w \"$3\" \"$1\"; "
    "lame --quiet -m m -b 48 --resample 24 \"$3\" \"$2\"; rm -f \"$3\"";

bool linkOrCopy(const QString& source, const QString& target)
{
    QFile::remove(target);
    if (::link(QFile::encodeName(source).constData(), QFile::encodeName(target).constData()) == 0)
        return true;
    return QFile::copy(source, target);
}

} // namespace

AudioBuilder::AudioBuilder(const SourceFiles& files) : m_files(files) {}

bool AudioBuilder::build(const QString& targetDir, const QString& stampPath, int jobs)
{
    const QString recordings = m_files.sourceData(QStringLiteral("pinyin"));
    if (!QFileInfo(recordings).isDir()) {
        reportError(recordings, QStringLiteral("is missing (the syllable recordings of data/sources)"));
        return false;
    }
    for (const char* tool : {"espeak-ng", "lame"}) {
        if (QStandardPaths::findExecutable(QLatin1String(tool)).isEmpty()) {
            reportError(
                QLatin1String(tool),
                QStringLiteral("is not installed (Debian package %1)").arg(QLatin1String(tool)));
            return false;
        }
    }
    if (!QDir().mkpath(targetDir)) {
        reportError(targetDir, QStringLiteral("cannot be created"));
        return false;
    }

    QStringList keys;
    for (const QString& syllable : pinyinSyllables()) {
        for (int tone = 1; tone <= 5; ++tone) {
            const QString key = toAudioSyllable(syllable + QString::number(tone));
            if (!keys.contains(key))
                keys.append(key);
        }
    }
    if (keys.size() != 411 * 5) {
        reportError(QStringLiteral("pinyin tables"),
                    QStringLiteral("%1 recording keys instead of 2055").arg(keys.size()));
        return false;
    }

    int linked = 0;
    QStringList toSynthesise;
    for (const QString& key : keys) {
        const QString name = key + QStringLiteral(".mp3");
        const QString source = recordings + QLatin1Char('/') + name;
        const QString target = targetDir + QLatin1Char('/') + name;
        if (QFileInfo::exists(source)) {
            const QFileInfo sourceInfo(source);
            const QFileInfo targetInfo(target);
            if (!targetInfo.exists() || targetInfo.size() != sourceInfo.size() ||
                targetInfo.lastModified() != sourceInfo.lastModified()) {
                if (!linkOrCopy(source, target)) {
                    reportError(target, QStringLiteral("cannot be written"));
                    return false;
                }
            }
            ++linked;
        } else if (!QFileInfo::exists(target) || QFileInfo(target).size() == 0) {
            toSynthesise.append(key);
        }
    }
    reportProgress(QStringLiteral("Audio: %1 human recordings, %2 to synthesise")
                       .arg(linked)
                       .arg(toSynthesise.size()));

    // A small pool of synthesis processes; each writes to a temporary name first.
    std::vector<std::unique_ptr<QProcess>> running;
    std::vector<QString> runningKeys;
    int next = 0;
    int done = 0;
    bool ok = true;
    while (ok && (next < toSynthesise.size() || !running.empty())) {
        while (next < toSynthesise.size() && int(running.size()) < jobs) {
            const QString key = toSynthesise.at(next++);
            auto process = std::make_unique<QProcess>();
            const QString target = targetDir + QLatin1Char('/') + key;
            process->start(QStringLiteral("/bin/sh"),
                           {QStringLiteral("-c"), QLatin1String(SynthesisScript),
                            QStringLiteral("synthesise"), key, target + QStringLiteral(".mp3.part"),
                            target + QStringLiteral(".wav.part")});
            running.push_back(std::move(process));
            runningKeys.push_back(key);
        }
        running.front()->waitForFinished(-1);
        QProcess& process = *running.front();
        const QString key = runningKeys.front();
        const QString target = targetDir + QLatin1Char('/') + key + QStringLiteral(".mp3");
        // QFile::rename() never replaces a file: an empty leftover of an earlier run goes first.
        const bool synthesised =
            process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
        if (synthesised)
            QFile::remove(target);
        if (!synthesised || !QFile::rename(target + QStringLiteral(".part"), target)) {
            reportError(target, QStringLiteral("synthesis failed: %1")
                                    .arg(QString::fromLocal8Bit(process.readAllStandardError())));
            ok = false;
        }
        running.erase(running.begin());
        runningKeys.erase(runningKeys.begin());
        if (++done % 100 == 0)
            reportProgress(
                QStringLiteral("Audio: %1 of %2 synthesised").arg(done).arg(toSynthesise.size()));
    }
    for (auto& process : running)
        process->waitForFinished(-1);
    if (!ok)
        return false;
    if (!stampPath.isEmpty()) {
        QFile stamp(stampPath);
        if (!stamp.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            reportError(stampPath, stamp.errorString());
            return false;
        }
        stamp.write(
            QStringLiteral("%1 recordings, %2 human\n").arg(keys.size()).arg(linked).toUtf8());
    }
    reportProgress(QStringLiteral("Audio: done, %1 files in %2").arg(keys.size()).arg(targetDir));
    return true;
}

} // namespace korvo

#include "audio/pinyinplayer.h"

#include "audio/mp3decoder.h"
#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QFileInfo>
#include <QMediaDevices>
#include <QTimer>

namespace korvo {

namespace {

constexpr int BytesPerSample = 2;

} // namespace

PinyinPlayer::PinyinPlayer(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder), m_decoder(std::make_unique<Mp3Decoder>())
{
}

PinyinPlayer::~PinyinPlayer()
{
    stop();
}

QString PinyinPlayer::recordingFile(const QString& syllable) const
{
    return m_folder + QLatin1Char('/') + toAudioSyllable(syllable) + QStringLiteral(".mp3");
}

int PinyinPlayer::queuedMilliseconds() const
{
    return int(qint64(m_samples.size()) * 1000 / (BytesPerSample * Mp3Decoder::SampleRate));
}

void PinyinPlayer::play(KnowledgeUnit* unit)
{
    if (unit)
        play(unit->pinyin());
}

void PinyinPlayer::play(const QString& text)
{
    stop();
    m_playList.clear();
    m_samples.clear();
    // Tone marks are read as tone numbers first, so that "nǚ" is found as "nv3".
    for (const QString& syllable : splitSyllables(markedToNumbered(text))) {
        const QString file = recordingFile(syllable);
        if (QFileInfo::exists(file)) {
            m_playList.append(file);
            m_samples.append(m_decoder->decode(file));
        }
    }
    if (m_playList.isEmpty())
        return;

    m_playing = true;
    createSink();
    m_stream.setData(m_samples);
    m_stream.open(QIODevice::ReadOnly);
    m_sink->start(&m_stream);
    // A sink that could not start (no sound device) has nothing to wait for.
    if (m_sink->state() == QAudio::StoppedState)
        QTimer::singleShot(0, this, &PinyinPlayer::sink_stateChanged);
}

void PinyinPlayer::stop()
{
    m_playing = false;
    if (m_sink)
        m_sink->stop();
    m_stream.close();
}

void PinyinPlayer::createSink()
{
    if (m_sink)
        return;
    QAudioFormat format;
    format.setSampleRate(Mp3Decoder::SampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    m_sink = new QAudioSink(QMediaDevices::defaultAudioOutput(), format, this);
    connect(m_sink, &QAudioSink::stateChanged, this, &PinyinPlayer::sink_stateChanged);
}

// Played to the end (the sink runs dry) or stopped by an error: the sequence is over.
void PinyinPlayer::sink_stateChanged()
{
    if (!m_playing || !m_sink)
        return;
    const QAudio::State state = m_sink->state();
    const bool drained = state == QAudio::IdleState && m_stream.atEnd();
    if (!drained && state != QAudio::StoppedState)
        return;
    m_playing = false;
    m_sink->stop();
    m_stream.close();
    emit finished();
}

} // namespace korvo

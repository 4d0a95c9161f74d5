#pragma once

#include <QBuffer>
#include <QObject>
#include <QStringList>

#include <memory>

class QAudioSink;

namespace korvo {

class KnowledgeUnit;
class Mp3Decoder;

// Pronounces pinyin from one recorded MP3 file per syllable. The recordings of a text are decoded
// and joined into one stream of samples, so each syllable follows the one before without a gap,
// and played through the default sound device. Without a sound device nothing is heard and the
// sequence ends at once. The application owns the one player.
//
// Decoding here rather than handing the files to a media player keeps the GUI thread safe: the
// toolkit's media player can deadlock when it is given a new file while it is still opening the
// last one, which quick answers in practice do all the time.
class PinyinPlayer : public QObject
{
    Q_OBJECT

public:
    // The recordings are `folder`/<syllable key>.mp3.
    explicit PinyinPlayer(const QString& folder, QObject* parent = nullptr);
    ~PinyinPlayer() override;

    // Tone numbers or tone marks, syllables run together or separated. Stops whatever is playing
    // and starts the new sequence; syllables without a recording are skipped.
    void play(const QString& text);
    // The unit's numbered pinyin; nothing for none.
    void play(KnowledgeUnit* unit);
    void stop();

    // The files of the last play() that exist, in order.
    QStringList playList() const { return m_playList; }
    // The recording file of one syllable, whether it exists or not.
    QString recordingFile(const QString& syllable) const;
    // Milliseconds of sound the last play() queued (every recording that could be decoded).
    int queuedMilliseconds() const;

signals:
    // The last syllable of a sequence ended (or the sequence could not be played).
    void finished();

private:
    void createSink();
    void sink_stateChanged();

    QString m_folder;
    QStringList m_playList;
    std::unique_ptr<Mp3Decoder> m_decoder;
    QByteArray m_samples;
    QBuffer m_stream;
    QAudioSink* m_sink = nullptr;
    bool m_playing = false;
};

} // namespace korvo

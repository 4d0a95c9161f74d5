#pragma once

#include <QObject>
#include <QStringList>

#include <array>

class QAudioOutput;
class QMediaPlayer;

namespace korvo {

class KnowledgeUnit;

// Pronounces pinyin by playing one recorded MP3 file per syllable, one after another. Two media
// players take turns: while one plays a syllable the other has the next one loaded, so that the
// next starts the moment the first ends. Without a sound device the players fail quietly and
// nothing is heard. The application owns the one player; it owns its media players.
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

signals:
    // The last syllable of a sequence ended (or the sequence could not be played).
    void finished();

private:
    void createPlayers();
    void load(QMediaPlayer* player, int index);
    void player_mediaStatusChanged(QMediaPlayer* player);

    QString m_folder;
    QStringList m_playList;
    // Index in the play list of the syllable the current player plays.
    int m_current = -1;
    int m_active = 0;
    std::array<QMediaPlayer*, 2> m_players{};
    std::array<QAudioOutput*, 2> m_outputs{};
};

} // namespace korvo

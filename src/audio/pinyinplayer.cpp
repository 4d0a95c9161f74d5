#include "audio/pinyinplayer.h"

#include "dictionary/knowledgeunit.h"
#include "text/pinyin.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

namespace korvo {

PinyinPlayer::PinyinPlayer(const QString& folder, QObject* parent)
    : QObject(parent), m_folder(folder)
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

void PinyinPlayer::play(KnowledgeUnit* unit)
{
    if (unit)
        play(unit->pinyin());
}

void PinyinPlayer::play(const QString& text)
{
    stop();
    m_playList.clear();
    // Tone marks are read as tone numbers first, so that "nǚ" is found as "nv3".
    for (const QString& syllable : splitSyllables(markedToNumbered(text))) {
        const QString file = recordingFile(syllable);
        if (QFileInfo::exists(file))
            m_playList.append(file);
    }
    if (m_playList.isEmpty())
        return;

    createPlayers();
    m_active = 0;
    m_current = 0;
    load(m_players[0], 0);
    m_players[0]->play();
    load(m_players[1], 1);
}

void PinyinPlayer::stop()
{
    m_current = -1;
    for (QMediaPlayer* player : m_players) {
        if (player) {
            player->stop();
            player->setSource(QUrl());
        }
    }
}

void PinyinPlayer::createPlayers()
{
    if (m_players[0])
        return;
    for (int i = 0; i < 2; ++i) {
        m_outputs[i] = new QAudioOutput(this);
        m_players[i] = new QMediaPlayer(this);
        m_players[i]->setAudioOutput(m_outputs[i]);
        QMediaPlayer* player = m_players[i];
        connect(player, &QMediaPlayer::mediaStatusChanged, this,
                [this, player] { player_mediaStatusChanged(player); });
        connect(player, &QMediaPlayer::errorOccurred, this,
                [this, player] { player_mediaStatusChanged(player); });
    }
}

void PinyinPlayer::load(QMediaPlayer* player, int index)
{
    player->setSource(index < m_playList.size() ? QUrl::fromLocalFile(m_playList.at(index))
                                                : QUrl());
}

// When the playing syllable ends (or cannot be played), the other player, which already holds
// the next syllable, starts at once and this one loads the syllable after that.
void PinyinPlayer::player_mediaStatusChanged(QMediaPlayer* player)
{
    if (m_current < 0 || player != m_players[m_active])
        return;
    const bool ended = player->mediaStatus() == QMediaPlayer::EndOfMedia ||
                       player->mediaStatus() == QMediaPlayer::InvalidMedia ||
                       player->error() != QMediaPlayer::NoError;
    if (!ended)
        return;
    ++m_current;
    if (m_current >= m_playList.size()) {
        m_current = -1;
        emit finished();
        return;
    }
    m_active = 1 - m_active;
    m_players[m_active]->play();
    load(player, m_current + 1);
}

} // namespace korvo

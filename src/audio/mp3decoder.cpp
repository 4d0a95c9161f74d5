#include "audio/mp3decoder.h"

#include <QFile>
#include <QtGlobal>

#include <mpg123.h>

namespace korvo {

struct Mp3Decoder::Handle
{
    mpg123_handle* decoder = nullptr;
};

Mp3Decoder::Mp3Decoder() : m_handle(new Handle)
{
    int error = MPG123_OK;
    m_handle->decoder = mpg123_new(nullptr, &error);
    if (!m_handle->decoder) {
        qWarning("The MP3 decoder cannot be created: %s", mpg123_plain_strerror(error));
        return;
    }
    mpg123_param(m_handle->decoder, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    // One output format for every file; other rates are resampled, stereo is mixed down.
    mpg123_param(m_handle->decoder, MPG123_FORCE_RATE, SampleRate, 0.0);
    mpg123_format_none(m_handle->decoder);
    mpg123_format(m_handle->decoder, SampleRate, MPG123_MONO, MPG123_ENC_SIGNED_16);
}

Mp3Decoder::~Mp3Decoder()
{
    if (m_handle->decoder)
        mpg123_delete(m_handle->decoder);
    delete m_handle;
}

QByteArray Mp3Decoder::decode(const QString& fileName)
{
    mpg123_handle* decoder = m_handle->decoder;
    if (!decoder || mpg123_open(decoder, QFile::encodeName(fileName).constData()) != MPG123_OK)
        return QByteArray();

    QByteArray samples;
    unsigned char buffer[16384];
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(decoder, buffer, sizeof buffer, &done);
        samples.append(reinterpret_cast<const char*>(buffer), qsizetype(done));
        if (result == MPG123_DONE)
            break;
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            samples.clear();
            break;
        }
    }
    mpg123_close(decoder);
    return samples;
}

} // namespace korvo

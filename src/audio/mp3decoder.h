#pragma once

#include <QByteArray>
#include <QString>

namespace korvo {

// Turns MP3 recordings into plain samples that can be played one after another without a gap:
// signed 16-bit, one channel, at SampleRate, whatever the file's own rate and channels.
class Mp3Decoder
{
public:
    static constexpr int SampleRate = 48000;

    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // The samples of the whole file, or nothing when it is missing or cannot be decoded.
    QByteArray decode(const QString& fileName);

private:
    struct Handle;
    Handle* m_handle = nullptr;
};

} // namespace korvo

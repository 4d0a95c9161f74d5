#include "audio/mp3decoder.h"

#include <QDataStream>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

using namespace korvo;

// Recordings come at different rates and channel counts; the decoder must give every one of them
// at its own length and pitch in the single output format. The test encodes tones of known
// length and pitch with lame (the encoder the data build uses) and decodes them back.
class TestMp3Decoder : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void keepsLengthAndPitch_data();
    void keepsLengthAndPitch();
    void brokenFilesGiveNothing();

private:
    QString encodeTone(int sampleRate, int channels, double seconds, double frequency);
    QTemporaryDir m_dir;
};

namespace {

// Zero crossings per second of the decoded samples: twice the frequency of a pure tone.
double crossingsPerSecond(const QByteArray& samples)
{
    const auto* values = reinterpret_cast<const qint16*>(samples.constData());
    const qsizetype count = samples.size() / 2;
    int crossings = 0;
    for (qsizetype i = 1; i < count; ++i)
        crossings += (values[i - 1] < 0) != (values[i] < 0) ? 1 : 0;
    return crossings * double(Mp3Decoder::SampleRate) / double(count);
}

} // namespace

void TestMp3Decoder::initTestCase()
{
    QVERIFY(m_dir.isValid());
}

QString TestMp3Decoder::encodeTone(int sampleRate, int channels, double seconds, double frequency)
{
    const QString wav = m_dir.filePath(QString("tone-%1-%2.wav").arg(sampleRate).arg(channels));
    QFile file(wav);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    const quint32 frames = quint32(sampleRate * seconds);
    const quint32 dataBytes = frames * quint32(channels) * 2;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(channels) << quint32(sampleRate)
        << quint32(sampleRate * channels * 2) << quint16(channels * 2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (quint32 i = 0; i < frames; ++i) {
        const auto value = qint16(12000 * std::sin(2 * M_PI * frequency * i / sampleRate));
        for (int c = 0; c < channels; ++c)
            out << value;
    }
    file.close();

    const QString mp3 = QString(wav).replace(".wav", ".mp3");
    QProcess lame;
    lame.start("lame", {"--quiet", "-b", "64", wav, mp3});
    if (!lame.waitForFinished(30000) || lame.exitCode() != 0)
        return QString();
    return mp3;
}

void TestMp3Decoder::keepsLengthAndPitch_data()
{
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("channels");
    QTest::newRow("48 kHz mono, as the recorded syllables") << 48000 << 1;
    QTest::newRow("24 kHz mono, as the synthesised syllables") << 24000 << 1;
    QTest::newRow("44.1 kHz stereo") << 44100 << 2;
    QTest::newRow("16 kHz mono") << 16000 << 1;
}

void TestMp3Decoder::keepsLengthAndPitch()
{
    QFETCH(int, sampleRate);
    QFETCH(int, channels);
    const double seconds = 0.6;
    const double frequency = 440;
    const QString mp3 = encodeTone(sampleRate, channels, seconds, frequency);
    QVERIFY2(!mp3.isEmpty(), "lame could not encode the tone");

    const QByteArray samples = Mp3Decoder().decode(mp3);
    const double decodedSeconds = samples.size() / 2.0 / Mp3Decoder::SampleRate;
    // The encoder adds a little silence at both ends.
    QVERIFY2(decodedSeconds >= seconds - 0.01 && decodedSeconds <= seconds + 0.15,
             qPrintable(QString::number(decodedSeconds)));
    const double pitch = crossingsPerSecond(samples) / 2;
    QVERIFY2(std::abs(pitch - frequency) < frequency * 0.05, qPrintable(QString::number(pitch)));
}

void TestMp3Decoder::brokenFilesGiveNothing()
{
    Mp3Decoder decoder;
    QVERIFY(decoder.decode(m_dir.filePath("missing.mp3")).isEmpty());
    QFile text(m_dir.filePath("text.mp3"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write(QByteArray(5000, 'x'));
    text.close();
    QVERIFY(decoder.decode(text.fileName()).isEmpty());
    // The decoder goes on working after a failure.
    const QString mp3 = encodeTone(48000, 1, 0.3, 440);
    QVERIFY(!decoder.decode(mp3).isEmpty());
}

QTEST_GUILESS_MAIN(TestMp3Decoder)
#include "tst_mp3decoder.moc"

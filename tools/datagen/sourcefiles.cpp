#include "sourcefiles.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cstdio>

namespace korvo {

namespace {

QElapsedTimer& clock()
{
    static QElapsedTimer timer;
    if (!timer.isValid())
        timer.start();
    return timer;
}

} // namespace

void reportError(const QString& file, const QString& message)
{
    std::fprintf(stderr, "datagen: %s: %s\n", qPrintable(QDir::toNativeSeparators(file)),
                 qPrintable(message));
    std::fflush(stderr);
}

void reportProgress(const QString& message)
{
    std::printf("[%6.1fs] %s\n", clock().elapsed() / 1000.0, qPrintable(message));
    std::fflush(stdout);
}

SourceFiles::SourceFiles(const QString& nodeModulesDir, const QString& sourceDataDir,
                         const QString& unicodeDir)
    : m_nodeModulesDir(nodeModulesDir), m_sourceDataDir(sourceDataDir), m_unicodeDir(unicodeDir)
{
    clock();
}

QString SourceFiles::nodeModule(const QString& relativePath) const
{
    return m_nodeModulesDir + QLatin1Char('/') + relativePath;
}

QString SourceFiles::sourceData(const QString& relativePath) const
{
    return m_sourceDataDir + QLatin1Char('/') + relativePath;
}

QString SourceFiles::unicode(const QString& relativePath) const
{
    return m_unicodeDir + QLatin1Char('/') + relativePath;
}

bool SourceFiles::readText(const QString& path, QString* text) const
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reportError(path, QStringLiteral("cannot be read (%1); install the sources with the "
                                         "README's commands")
                              .arg(file.errorString()));
        return false;
    }
    *text = QString::fromUtf8(file.readAll());
    if (text->isEmpty()) {
        reportError(path, QStringLiteral("is empty"));
        return false;
    }
    return true;
}

bool SourceFiles::readModuleText(const QString& path, QString* text) const
{
    QString module;
    if (!readText(path, &module))
        return false;
    const int begin = module.indexOf(QLatin1Char('`'));
    const int end = module.lastIndexOf(QLatin1Char('`'));
    if (begin < 0 || end <= begin) {
        reportError(path,
                    QStringLiteral("holds no text literal (expected module.exports = `...`)"));
        return false;
    }
    *text = module.mid(begin + 1, end - begin - 1);
    return true;
}

bool SourceFiles::readBzip2Text(const QString& path, QString* text) const
{
    if (!QFileInfo::exists(path)) {
        reportError(path, QStringLiteral("is missing (Debian package unicode-data)"));
        return false;
    }
    QProcess bzip2;
    bzip2.start(QStringLiteral("bzip2"), {QStringLiteral("-dc"), path});
    if (!bzip2.waitForStarted()) {
        reportError(path, QStringLiteral("cannot be unpacked: bzip2 did not start"));
        return false;
    }
    bzip2.closeWriteChannel();
    QByteArray data;
    while (bzip2.state() != QProcess::NotRunning) {
        bzip2.waitForReadyRead(-1);
        data += bzip2.readAllStandardOutput();
    }
    data += bzip2.readAllStandardOutput();
    if (bzip2.exitStatus() != QProcess::NormalExit || bzip2.exitCode() != 0 || data.isEmpty()) {
        reportError(path, QStringLiteral("cannot be unpacked: %1")
                              .arg(QString::fromLocal8Bit(bzip2.readAllStandardError()).trimmed()));
        return false;
    }
    *text = QString::fromUtf8(data);
    return true;
}

} // namespace korvo

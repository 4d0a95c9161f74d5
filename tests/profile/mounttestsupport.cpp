#include "mounttestsupport.h"

#include <QDir>
#include <QFile>
#include <QProcess>

#include <unistd.h>

namespace profiletest {

LimitedFolder::LimitedFolder(qint64 bytes)
{
    if (::geteuid() != 0) {
        m_error = QStringLiteral("mounting a size-limited file system needs root");
        return;
    }
    if (!m_base.isValid()) {
        m_error = QStringLiteral("no temporary folder");
        return;
    }
    m_path = m_base.path() + QStringLiteral("/fs");
    QDir().mkpath(m_path);
    m_mounted = run({QStringLiteral("mount"), QStringLiteral("-t"), QStringLiteral("tmpfs"),
                     QStringLiteral("-o"), QStringLiteral("size=%1").arg(bytes),
                     QStringLiteral("tmpfs"), m_path},
                    &m_error);
}

LimitedFolder::~LimitedFolder()
{
    if (!m_mounted)
        return;
    QString ignored;
    if (m_readOnly)
        makeWritable();
    // A lazy unmount still succeeds when a test left a file open.
    if (!run({QStringLiteral("umount"), m_path}, &ignored))
        run({QStringLiteral("umount"), QStringLiteral("-l"), m_path}, &ignored);
}

bool LimitedFolder::makeReadOnly()
{
    if (!m_mounted || m_readOnly)
        return m_readOnly;
    if (!run({QStringLiteral("mount"), QStringLiteral("--bind"), m_path, m_path}, &m_error))
        return false;
    m_readOnly = true;
    return run(
        {QStringLiteral("mount"), QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), m_path},
        &m_error);
}

bool LimitedFolder::makeWritable()
{
    if (!m_readOnly)
        return true;
    if (!run({QStringLiteral("umount"), m_path}, &m_error))
        return false;
    m_readOnly = false;
    return true;
}

bool LimitedFolder::fill()
{
    QFile filler(m_path + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append))
        return false;
    const QByteArray block(64 * 1024, 'x');
    while (filler.write(block) == block.size() && filler.flush()) {
    }
    // The last partial pages.
    const QByteArray small(512, 'x');
    while (filler.write(small) == small.size() && filler.flush()) {
    }
    filler.close();
    return true;
}

bool LimitedFolder::unfill()
{
    return QFile::remove(m_path + QStringLiteral("/filler"));
}

bool LimitedFolder::run(const QStringList& arguments, QString* error)
{
    QProcess process;
    process.start(arguments.first(), arguments.mid(1));
    if (!process.waitForFinished(20000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        *error = QStringLiteral("%1 failed: %2")
                     .arg(arguments.join(QLatin1Char(' ')),
                          QString::fromLocal8Bit(process.readAllStandardError()).trimmed() +
                              process.errorString());
        return false;
    }
    return true;
}

} // namespace profiletest

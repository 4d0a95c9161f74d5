// The main function of a harness in the normal build: replays every file of the folders (or the
// single files) given on the command line through LLVMFuzzerTestOneInput, so that the committed
// corpus runs as a plain test without libFuzzer. In the QUILLET_FUZZ build libFuzzer provides
// main() instead.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

int main(int argc, char** argv)
{
    if (LLVMFuzzerInitialize)
        LLVMFuzzerInitialize(&argc, &argv);

    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        const QFileInfo info(path);
        if (info.isDir()) {
            const QDir folder(path);
            for (const QString& name : folder.entryList(QDir::Files, QDir::Name))
                files << folder.filePath(name);
        } else {
            files << path;
        }
    }

    int replayed = 0;
    for (const QString& path : std::as_const(files)) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
            return 1;
        }
        const QByteArray bytes = file.readAll();
        // An empty input is passed as libFuzzer passes it: a valid pointer and size 0.
        static const uint8_t nothing = 0;
        LLVMFuzzerTestOneInput(
            bytes.isEmpty() ? &nothing : reinterpret_cast<const uint8_t*>(bytes.constData()),
            size_t(bytes.size()));
        ++replayed;
    }
    std::printf("replayed %d inputs\n", replayed);
    // A corpus folder that went missing must not pass as a successful replay.
    return replayed > 0 ? 0 : 1;
}

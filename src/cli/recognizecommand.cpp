#include "cli/recognizecommand.h"

#include "cli/commandline.h"
#include "handwriting/handwritingrecognizer.h"
#include "text/translationcatalogue.h"

#include <QFile>
#include <QTextStream>
#include <QVariantList>
#include <QVariantMap>

namespace korvo {

namespace {

bool readInput(const QStringList& words, QByteArray* data, QString* error)
{
    QFile file;
    const bool standardInput = words.isEmpty() || words == QStringList{QStringLiteral("-")};
    if (standardInput ? !file.open(stdin, QIODevice::ReadOnly)
                      : (file.setFileName(words.first()), !file.open(QIODevice::ReadOnly))) {
        *error = translate(QStringLiteral("cannot read %1: %2"))
                     .arg(standardInput ? QStringLiteral("-") : words.first(), file.errorString());
        return false;
    }
    *data = file.readAll();
    return true;
}

bool scriptOf(const QString& name, HandwritingModel::Script* script)
{
    if (name == QLatin1String("both"))
        *script = HandwritingModel::BothScripts;
    else if (name == QLatin1String("simplified"))
        *script = HandwritingModel::Simplified;
    else if (name == QLatin1String("traditional"))
        *script = HandwritingModel::Traditional;
    else
        return false;
    return true;
}

} // namespace

QString recognizeUsage()
{
    return translate(QStringLiteral(
        "usage: quillet-cli recognize [--json] [--limit N] [--script both|simplified|traditional] "
        "[--model FILE] [FILE]"));
}

int runRecognizeCommand(const QStringList& arguments)
{
    CommandLine line(arguments, {QStringLiteral("json")},
                     {QStringLiteral("limit"), QStringLiteral("script"), QStringLiteral("model")});
    const int limit = line.number(QStringLiteral("limit"), HandwritingRecognizer::DefaultLimit, 1);
    if (!line.isValid())
        return failWithUsage(line.error(), recognizeUsage());
    if (line.words().size() > 1)
        return failWithUsage(translate(QStringLiteral("one drawing at a time")), recognizeUsage());
    HandwritingModel::Script script;
    const QString scriptName = line.value(QStringLiteral("script"), QStringLiteral("both"));
    if (!scriptOf(scriptName, &script))
        return failWithUsage(translate(QStringLiteral("unknown script %1")).arg(scriptName),
                             recognizeUsage());

    QByteArray data;
    QString error;
    if (!readInput(line.words(), &data, &error))
        return fail(error);
    const HandwritingDrawing drawing = HandwritingDrawing::fromJson(data, &error);
    if (!error.isEmpty())
        return fail(translate(QStringLiteral("malformed drawing: %1")).arg(error));

    const QString modelPath =
        line.value(QStringLiteral("model"), defaultDataFile(HandwritingModel::FileName));
    HandwritingRecognizer recognizer;
    if (!recognizer.load(modelPath, &error))
        return fail(translate(QStringLiteral("cannot read the handwriting model %1: %2"))
                        .arg(modelPath, error),
                    CliFailed);

    const QVector<HandwritingRecognizer::Candidate> candidates =
        recognizer.recognize(drawing, limit, script);
    if (line.flag(QStringLiteral("json"))) {
        QVariantList list;
        for (const HandwritingRecognizer::Candidate& candidate : candidates)
            list << QVariantMap{{QStringLiteral("character"), candidate.character},
                                {QStringLiteral("distance"), candidate.distance}};
        printJson(QVariantMap{{QStringLiteral("strokes"), drawing.strokeCount()},
                              {QStringLiteral("candidates"), list}});
    } else {
        QTextStream out(stdout);
        for (const HandwritingRecognizer::Candidate& candidate : candidates)
            out << candidate.character << Qt::endl;
    }
    return candidates.isEmpty() ? CliNothingFound : CliSuccess;
}

} // namespace korvo

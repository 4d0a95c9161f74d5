// Makes "Handwriting.model", the character templates of the handwriting recogniser, from the
// stroke medians of the built "Animations.db" and the scripts and ranks of "Dictionary.db".
//
// usage: quillet_handwritingmodel ANIMATIONS.db DICTIONARY.db OUTPUT

#include "handwriting/handwritingmodel.h"
#include "handwriting/handwritingmodelbuilder.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments().mid(1);
    if (arguments.size() != 3) {
        std::fprintf(stderr, "usage: quillet_handwritingmodel ANIMATIONS.db DICTIONARY.db "
                             "OUTPUT\n");
        return 2;
    }
    QElapsedTimer timer;
    timer.start();
    korvo::HandwritingModel model;
    QString error;
    if (!korvo::HandwritingModelBuilder(arguments.at(0), arguments.at(1)).build(&model, &error) ||
        !model.save(arguments.at(2), &error)) {
        std::fprintf(stderr, "handwriting model: %s\n", qPrintable(error));
        return 1;
    }
    std::printf("Handwriting model: %d characters, %lld bytes, %lld ms\n", model.size(),
                QFileInfo(arguments.at(2)).size(), timer.elapsed());
    return 0;
}

#pragma once

#include <QString>
#include <QStringList>

namespace korvo {

// quillet-cli recognize: the characters a handwritten drawing most likely shows. Reads one
// drawing as JSON ({"width": W, "height": H, "strokes": [[[x, y], ...], ...]}, screen
// coordinates, y down, points in the order drawn) from the file or standard input and prints the
// candidates one a line, best first, or JSON with their distances. Exit status 0 with
// candidates, 1 with none, 2 for bad usage or a malformed drawing, 3 when the model cannot be
// read.
QString recognizeUsage();
int runRecognizeCommand(const QStringList& arguments);

} // namespace korvo

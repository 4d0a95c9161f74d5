#pragma once

#include <QString>
#include <QStringList>

namespace korvo {

// quillet-cli segment: cuts Chinese text into the words of the dictionary, as the reader does.
// Prints one line per input line with the words separated by spaces (blanks are left out), or
// with --json one JSON array per line whose items give each piece's text, kind and, for a word,
// its pinyin and the entry it matched. Reads standard input when no text is given. Exit status
// 0 with words, 1 for input without any, 2 for bad usage or an unreadable dictionary.
QString segmentUsage();
int runSegmentCommand(const QStringList& arguments);

} // namespace korvo

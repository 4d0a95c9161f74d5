#pragma once

#include <QString>
#include <QStringList>

namespace korvo {

// quillet-cli search: dictionary lookups ranked as on the dictionary screen. Prints one result a
// line (simplified, traditional, tone-marked pinyin and the definitions joined by "; ", separated
// by tabs) or JSON. Exit status 0 with results, 1 with none, 2 for bad usage or an unreadable
// dictionary.
QString searchUsage();
int runSearchCommand(const QStringList& arguments);

} // namespace korvo

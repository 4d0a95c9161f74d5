#pragma once

#include <QString>
#include <QStringList>

namespace korvo {

// quillet-cli import: imports a card file of another program (Anki package, Pleco flashcards,
// CSV/TSV) into the profile with the guessed field mapping, into a new or existing top-level
// folder when --folder is given, and prints what it stored (or, with --dry-run, would store).
// Refuses while the program has the same profile open. Exit status 0 when cards were stored or
// the dry run succeeded, 2 for bad usage, 3 for a refused file or a failed import.
QString importUsage();
int runImportCommand(const QStringList& arguments);

} // namespace korvo

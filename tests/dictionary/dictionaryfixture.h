#pragma once

#include <QString>

// A small dictionary database with every table the dictionary reads, written by the tests.
// Rows 1001-2900 of KnowledgeUnits are filler entries ("filler N") for batch tests.
bool createFixtureDictionary(const QString& path);

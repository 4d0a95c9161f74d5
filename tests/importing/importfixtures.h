#pragma once

#include <QString>

// The card files of tests/importing/fixtures (made by make-fixtures.js there). Test code only.
namespace importfixtures {

inline QString path(const QString& name)
{
    return QStringLiteral(QUILLET_SOURCE_DIR "/tests/importing/fixtures/") + name;
}

} // namespace importfixtures

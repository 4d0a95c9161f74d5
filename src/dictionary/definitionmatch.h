#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

namespace korvo {

// How well a unit's definitions match an English query, as ranking scores it: `match` is 1 when
// the last matching definition equals the query, else the share of that definition the query
// word fills (0 when none matches); `exactDefinitions` counts the definitions equal to the query.
// Definitions and query are compared as given: both lower-cased alike by the caller.
struct DefinitionMatch
{
    double match = 0;
    int exactDefinitions = 0;

    // `isWord`: the query is one whole word, which may match inside a definition.
    static DefinitionMatch of(const QStringList& definitions, const QString& query, bool isWord);
    // The same for definitions stored as UTF-8, each followed by `end`, and the query as UTF-8:
    // the answer is the one of(definitions as strings) gives, without making the strings.
    static DefinitionMatch ofStored(QByteArrayView definitions, char end, const QByteArray& query,
                                    bool isWord);
};

} // namespace korvo

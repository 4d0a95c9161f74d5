#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

// The decks that ship with every profile: their fixed identifiers, the two folders that group
// them, and the placeholder titles ("{HSK_3}") shown translated. Free functions and constants.
namespace korvo {

struct BuiltInDeckGroup
{
    QString folderTitle; // placeholder, e.g. "{HSK_DECKS}"
    QString folderUuid;
    QStringList deckUuids; // in the order the group lists them
};

// The HSK group first, then the common-characters group.
const QList<BuiltInDeckGroup>& builtInDeckGroups();

// For each group with at least one of its decks in the Decks table: finds the group's folder
// (by its identifier) or inserts it (sortOrder 1, owner 0), and moves every deck of the group
// into it. Runs inside the caller's transaction, if any.
void groupBuiltInDecks(QSqlDatabase database);

// Whether a stored title is a placeholder: longer than two characters, in braces.
bool isTitlePlaceholder(const QString& title);
// The title as shown: placeholders with a known key translated, anything else unchanged.
QString builtInDisplayTitle(const QString& storedTitle);

} // namespace korvo

#pragma once

#include "importing/importedfile.h"

#include <QList>
#include <QString>

namespace korvo {

// What an imported field becomes on the card.
enum class FieldRole { Ignored, Simplified, Traditional, Pinyin, Definition };

// Which field of a note type is the characters, the traditional characters, the pinyin and the
// definition: guessed from the field names (Hanzi, Simplified, Pinyin, Meaning, English...) and
// from what the fields hold (Han characters, pinyin syllables, Latin text), and changed by the
// learner in the preview. Each role goes to one field at most. A value type.
class FieldMapping
{
public:
    FieldMapping() = default;
    explicit FieldMapping(const QList<FieldRole>& roles) : m_roles(roles) {}

    // The guess for a note type from its field names and the notes of that type.
    static FieldMapping guess(const NoteType& type, const QList<ImportedNote>& notes, int noteType);

    int fieldCount() const { return int(m_roles.size()); }
    FieldRole role(int field) const { return m_roles.value(field, FieldRole::Ignored); }
    // Gives the field the role; a field that had the role before loses it.
    void setRole(int field, FieldRole role);
    // The field with the role, or -1.
    int field(FieldRole role) const;
    QList<FieldRole> roles() const { return m_roles; }
    bool operator==(const FieldMapping& other) const { return m_roles == other.m_roles; }

    // The role a field name stands for, Ignored for names that say nothing.
    static FieldRole roleForName(const QString& name);
    // Every role in the order the preview lists them, and their shown names.
    static QList<FieldRole> allRoles();
    static QString roleTitle(FieldRole role);

    // What the guess looks for in a field's text.
    static bool hasHanCharacters(const QString& text);
    static bool looksLikePinyin(const QString& text);
    static bool looksLikeLatinText(const QString& text);

private:
    QList<FieldRole> m_roles;
};

} // namespace korvo

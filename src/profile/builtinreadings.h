#pragma once

#include <QSqlDatabase>
#include <QString>

namespace korvo {

// Brings the built-in cards of a profile made from an older template to the dictionary entries
// the shipped template chooses (an older data build stored 告诉 as gào sù "to press charges").
// A card is matched to the template by its identifier. A unit that only mis-chosen cards use is
// rewritten in place, so that its score and answer history stay with the word; a unit that other
// cards share keeps its content and the mended cards move to a copy of the template's unit (or
// to the profile's own unit of that entry). Runs inside the caller's transaction; the template is
// only read; without one there is nothing to mend. Returns the number of cards mended, or -1 when a
// statement failed.
int mendBuiltInReadings(QSqlDatabase profile, const QString& templatePath);

} // namespace korvo

#pragma once

#include <QString>
#include <QStringList>

namespace korvo {

class KnowledgeUnit;

// Dictionary notation made readable for the learner: a cross-reference "個|个[gè]" becomes the
// form of the chosen script and its pinyin, "个 gè"; a definition of measure words
// "CL:個|个[gè],位[wèi]" becomes "measure words: 个 gè, 位 wèi". `characterMode` is
// "simplified", "traditional" or "both" (both forms: "个/個 gè"). Definitions are kept as they are
// stored; this is for showing them only.
QString readableDefinition(const QString& definition, const QString& characterMode);
// The unit's definitions made readable, joined by "; ".
QString readableDefinitionText(KnowledgeUnit* unit, const QString& characterMode);

} // namespace korvo

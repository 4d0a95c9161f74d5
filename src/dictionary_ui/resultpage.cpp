#include "dictionary_ui/resultpage.h"

#include "dictionary/characterinfo.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/pagetemplates.h"
#include "text/pinyin.h"
#include "text/texthelpers.h"
#include "text/translationcatalogue.h"

#include <QUrl>

using korvo::CharacterInfo;
using korvo::Dictionary;
using korvo::escapeHtml;
using korvo::KnowledgeUnit;
using korvo::translate;

namespace {

QString templateFile(const ResultPageOptions& options, const char* name)
{
    return options.pageFolder + QLatin1Char('/') + QLatin1String(name);
}

QString link(const QString& url, const QString& text)
{
    return QStringLiteral("<a href=\"%1\">%2</a>").arg(url.toHtmlEscaped(), escapeHtml(text));
}

// The tone-marked pinyin, each syllable in the colour of its tone when the setting asks for it.
QString pinyinHtml(KnowledgeUnit* unit, const ResultPageOptions& options)
{
    const QString marked = unit->pinyinWithToneMarks();
    if (options.pinyinColorization != QLatin1String("pinyin"))
        return escapeHtml(marked);
    QStringList parts;
    for (const QString& syllable : marked.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const int tone = korvo::toneOfMarked(syllable);
        parts << QStringLiteral("<span class=\"tone%1\" style=\"color:%2\">%3</span>")
                     .arg(tone)
                     .arg(korvo::toneColor(tone).name(), escapeHtml(syllable));
    }
    return parts.join(QLatin1Char(' '));
}

QString definitionHtml(KnowledgeUnit* unit)
{
    return escapeHtml(unit->definitions().join(QStringLiteral("; ")));
}

QString kindName(Dictionary::TextType type, const QString& q)
{
    switch (type) {
    case Dictionary::Simplified:
        return q.size() < 2 ? translate("simplified character")
                            : translate("simplified characters");
    case Dictionary::Traditional:
        return q.size() < 2 ? translate("traditional character")
                            : translate("traditional characters");
    case Dictionary::PinyinWithTones:
    case Dictionary::PinyinWithoutTones:
        return translate("pinyin");
    default:
        return q.split(QLatin1Char(' '), Qt::SkipEmptyParts).size() < 2
                   ? translate("English word")
                   : translate("English phrase");
    }
}

QString statusHtml(const QString& q, Dictionary::TextType type, bool haveResults,
                   KnowledgeUnit* radical)
{
    const bool radicalQuery = queryPrefix(q) == QLatin1String("radical");
    const QString body = escapeHtml(queryBody(q));
    if (!haveResults) {
        if (radicalQuery && !radical)
            return translate("\"<b>%1</b>\" is not a radical.").arg(body);
        return translate("No results found for \"<b>%1</b>\"").arg(escapeHtml(q));
    }
    QString status = radicalQuery && radical
                         ? translate("Showing characters with <b>radical \"%1\"</b>").arg(body)
                         : translate("Showing results for <b>%1</b> \"<b>%2</b>\"")
                               .arg(escapeHtml(kindName(type, q)), escapeHtml(q));
    if (type == Dictionary::PinyinWithTones || type == Dictionary::PinyinWithoutTones) {
        status += QStringLiteral("<br/><div id='searchInstead'>") +
                  escapeHtml(translate("Search instead for ")) +
                  link(quilletLink({{QStringLiteral("action"), QStringLiteral("search")},
                                    {QStringLiteral("type"), QStringLiteral("english")},
                                    {QStringLiteral("query"), q}}),
                       translate("\"%1\" in English").arg(q)) +
                  QStringLiteral("</div>");
    }
    return status;
}

QString charactersHtml(KnowledgeUnit* unit, const ResultPageOptions& options, bool radicalListing,
                       const QHash<int, int>& radicalForms, QString& charClass)
{
    charClass = QStringLiteral("definitionChar");
    if (radicalListing) {
        return escapeHtml(radicalForms.value(unit->id()) == 1 ? unit->traditional()
                                                              : unit->simplified());
    }
    if (options.characterMode == QLatin1String("traditional"))
        return escapeHtml(unit->traditional());
    if (options.characterMode == QLatin1String("both")) {
        charClass.clear();
        return QStringLiteral("<span class=\"definitionChar\">%1</span> / <span "
                              "class=\"definitionChar\">%2</span>")
            .arg(escapeHtml(unit->simplified()), escapeHtml(unit->traditional()));
    }
    return escapeHtml(unit->simplified());
}

QString listenLink(KnowledgeUnit* unit)
{
    return quilletLink({{QStringLiteral("action"), QStringLiteral("listen")},
                        {QStringLiteral("pinyin"), unit->pinyin()}})
        .toHtmlEscaped();
}

QString strokeOrderLink(const QString& characters)
{
    return quilletLink({{QStringLiteral("action"), QStringLiteral("viewStrokeOrder")},
                        {QStringLiteral("characters"), characters}})
        .toHtmlEscaped();
}

QString searchLink(const QString& text, const QString& type = QString())
{
    QList<QPair<QString, QString>> items = {{QStringLiteral("action"), QStringLiteral("search")}};
    if (!type.isEmpty())
        items.append({QStringLiteral("type"), type});
    items.append({QStringLiteral("query"), text});
    return quilletLink(items);
}

// The facts under the character box's entry: radical, HSK level, the other script's form,
// variants and the stroke order link.
QString characterExtras(Dictionary* dictionary, const ResultPageOptions& options,
                        KnowledgeUnit* entry, const QString& characters, Dictionary::TextType type,
                        KnowledgeUnit* radical)
{
    CharacterInfo* info = dictionary->character(characters);
    if (!info)
        return QString();
    CharacterInfo* simplifiedInfo =
        type == Dictionary::Traditional ? dictionary->character(entry->simplified()) : nullptr;

    QStringList extras;
    if (radical) {
        extras << translate("Radical %1").arg(radical->radicalId());
    } else {
        KnowledgeUnit* characterRadical = dictionary->radical(info->radicalId);
        const QChar radicalCharacter = dictionary->radicalCharacter(info->radicalId);
        QString text = QStringLiteral("-");
        if (characterRadical && !radicalCharacter.isNull()) {
            text = link(searchLink(QStringLiteral("radical:") + radicalCharacter),
                        QString(radicalCharacter)) +
                   QStringLiteral(" (%1)").arg(
                       escapeHtml(characterRadical->definitions().join(QStringLiteral(", "))));
        }
        extras << translate("Radical: %1").arg(text);
    }

    int hskLevel = info->hskLevel;
    if (hskLevel == 0 && simplifiedInfo)
        hskLevel = simplifiedInfo->hskLevel;
    if (hskLevel != 0)
        extras << translate("HSK level: %1").arg(hskLevel);

    const bool showSimplified = type != Dictionary::Simplified;
    const QString other = showSimplified ? entry->simplified() : entry->traditional();
    QString otherForm = translate("Same");
    if (entry->simplified() != entry->traditional()) {
        const QString query = radical ? QStringLiteral("radical:") + other : other;
        otherForm = link(searchLink(query, showSimplified ? QStringLiteral("simplified")
                                                          : QStringLiteral("traditional")),
                         other);
    }
    extras << (showSimplified ? translate("Simplified form: %1")
                              : translate("Traditional form: %1"))
                  .arg(otherForm);

    if (radical && !entry->variants().isEmpty()) {
        const QString variants = escapeHtml(entry->variants().join(QStringLiteral(", ")));
        extras << (entry->variants().size() == 1 ? translate("Variant: %1")
                                                 : translate("Variants: %1"))
                      .arg(variants);
    }

    const QChar character = characters.isEmpty() ? QChar() : characters.at(0);
    if (options.hasStrokeAnimation && !character.isNull() &&
        options.hasStrokeAnimation(character)) {
        extras << link(quilletLink({{QStringLiteral("action"), QStringLiteral("viewStrokeOrder")},
                                    {QStringLiteral("characters"), characters}}),
                       translate("View stroke order"));
    }
    return extras.join(QStringLiteral("; "));
}

bool isBoxCandidate(KnowledgeUnit* box)
{
    if (!box)
        return true;
    const QString pinyin = box->pinyin();
    return pinyin.isEmpty() || pinyin.at(0).isUpper();
}

} // namespace

QString quilletLink(const QList<QPair<QString, QString>>& items)
{
    QStringList parts;
    for (const auto& [name, value] : items)
        parts << name + QLatin1Char('=') + QString::fromUtf8(QUrl::toPercentEncoding(value));
    return QStringLiteral("quillet://?") + parts.join(QLatin1Char('&'));
}

QString renderStatusPage(const ResultPageOptions& options, const QString& statusHtml)
{
    return renderTemplate(
        templateFile(options, "page.html"),
        {{QStringLiteral("status"), statusHtml}, {QStringLiteral("results"), QString()}});
}

QString renderResults(Dictionary* dictionary, const ResultPageOptions& options,
                      const QString& query, Dictionary::TextType type,
                      const QList<KnowledgeUnit*>& results, KnowledgeUnit* radical,
                      const QHash<int, int>& radicalForms, int pageIndex, int resultsPerPage)
{
    const QString q = query.simplified();
    const QString status = statusHtml(q, type, !results.isEmpty(), radical);
    if (results.isEmpty())
        return renderStatusPage(options, status);

    const bool radicalListing = queryPrefix(q) == QLatin1String("radical") && radical;
    KnowledgeUnit* boxEntry = radical;
    bool lastPageReached = false;
    QString items;
    const qsizetype first = qsizetype(pageIndex) * resultsPerPage;
    for (qsizetype i = std::max<qsizetype>(0, first);
         i < first + resultsPerPage && i < results.size(); ++i) {
        KnowledgeUnit* unit = results.at(i);
        if (i == results.size() - 1)
            lastPageReached = true;
        if (!radical && q.size() == 1 &&
            ((type == Dictionary::Simplified && unit->simplified() == q) ||
             (type == Dictionary::Traditional && unit->traditional() == q)) &&
            isBoxCandidate(boxEntry))
            boxEntry = unit;

        QString charClass;
        const QString characters =
            charactersHtml(unit, options, radicalListing, radicalForms, charClass);
        items += renderTemplate(
            templateFile(options, "resultBoxItem.html"),
            {{QStringLiteral("definitionCharClass"), charClass},
             {QStringLiteral("characters"), characters},
             {QStringLiteral("pinyin"), pinyinHtml(unit, options)},
             {QStringLiteral("pinyinN"), escapeHtml(unit->pinyin())},
             {QStringLiteral("definition"), definitionHtml(unit)},
             {QStringLiteral("listenUrl"), listenLink(unit)},
             {QStringLiteral("listenTitle"), escapeHtml(translate("Listen"))},
             {QStringLiteral("strokeOrderUrl"), strokeOrderLink(unit->simplified())},
             {QStringLiteral("strokeOrderTitle"), escapeHtml(translate("View stroke order"))},
             {QStringLiteral("searchUrl"), searchLink(unit->simplified()).toHtmlEscaped()}});
    }

    const auto pageLink = [](int page) {
        return quilletLink({{QStringLiteral("action"), QStringLiteral("navigate")},
                            {QStringLiteral("page"), QString::number(page)}})
            .toHtmlEscaped();
    };
    const QString navigation = renderTemplate(
        templateFile(options, "resultNavigation.html"),
        {{QStringLiteral("hidePrevious"), pageIndex < 1 ? QStringLiteral("hide") : QString()},
         {QStringLiteral("hideNext"), lastPageReached ? QStringLiteral("hide") : QString()},
         {QStringLiteral("previousText"), escapeHtml(translate("<< Previous results"))},
         {QStringLiteral("previousUrl"), pageLink(pageIndex - 1)},
         {QStringLiteral("nextText"), escapeHtml(translate("Next results >>"))},
         {QStringLiteral("nextUrl"), pageLink(pageIndex + 1)}});
    const QString resultBox = renderTemplate(templateFile(options, "resultBox.html"),
                                             {{QStringLiteral("content"), items + navigation}});

    QString characterBox;
    if (boxEntry) {
        const QString characters =
            type != Dictionary::Simplified ? boxEntry->traditional() : boxEntry->simplified();
        characterBox = renderTemplate(
            templateFile(options, "charBox.html"),
            {{QStringLiteral("characters"), escapeHtml(characters)},
             {QStringLiteral("pinyin"), pinyinHtml(boxEntry, options)},
             {QStringLiteral("pinyinN"), escapeHtml(boxEntry->pinyin())},
             {QStringLiteral("definition"), definitionHtml(boxEntry)},
             {QStringLiteral("definitionExtras"),
              characterExtras(dictionary, options, boxEntry, characters, type, radical)},
             {QStringLiteral("listenUrl"), listenLink(boxEntry)},
             {QStringLiteral("listenTitle"), escapeHtml(translate("Listen"))}});
    }
    return renderTemplate(templateFile(options, "page.html"),
                          {{QStringLiteral("status"), status},
                           {QStringLiteral("results"), characterBox + resultBox}});
}

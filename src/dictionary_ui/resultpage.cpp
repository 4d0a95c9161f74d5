#include "dictionary_ui/resultpage.h"

#include "dictionary/characterinfo.h"
#include "dictionary/definitiontext.h"
#include "dictionary/knowledgeunit.h"
#include "dictionary_ui/dictionarysearch.h"
#include "dictionary_ui/pagetemplates.h"
#include "style/style.h"
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

QString definitionHtml(KnowledgeUnit* unit, const ResultPageOptions& options)
{
    return escapeHtml(korvo::readableDefinitionText(unit, options.characterMode));
}

bool hasAnyStrokeAnimation(const ResultPageOptions& options, const QString& text)
{
    if (!options.hasStrokeAnimation)
        return false;
    for (const QString& character : korvo::splitCharacters(text)) {
        if (options.hasStrokeAnimation(character))
            return true;
    }
    return false;
}

QString kindName(Dictionary::TextType type, const QString& q)
{
    const bool oneCharacter = korvo::splitCharacters(q).size() < 2;
    switch (type) {
    case Dictionary::Simplified:
        return oneCharacter ? translate("simplified character")
                            : translate("simplified characters");
    case Dictionary::Traditional:
        return oneCharacter ? translate("traditional character")
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
                   KnowledgeUnit* radical, const QStringList& words)
{
    const bool radicalQuery = queryPrefix(q) == QLatin1String("radical");
    const QString body = escapeHtml(queryBody(q));
    if (!haveResults) {
        if (radicalQuery && !radical)
            return translate("\"<b>%1</b>\" is not a radical.").arg(body);
        return translate("No results found for \"<b>%1</b>\"").arg(escapeHtml(q));
    }
    if (!words.isEmpty()) {
        QStringList shown;
        for (const QString& word : words)
            shown << QStringLiteral("<b>") + escapeHtml(word) + QStringLiteral("</b>");
        return translate("No entry matches \"<b>%1</b>\" as a whole; showing its words in order: "
                         "%2")
            .arg(escapeHtml(q), shown.join(QStringLiteral(" · ")));
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
    CharacterInfo* info = korvo::splitCharacters(characters).size() == 1
                              ? dictionary->character(characters)
                              : nullptr;
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

    if (hasAnyStrokeAnimation(options, characters)) {
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

QString dictionaryPageFolder()
{
    return korvo::Style::skinFolder() + QStringLiteral("/html/dictionary");
}

PageContent statusContent(const QString& statusHtml)
{
    return {statusHtml, QString()};
}

QString renderPage(const PageContent& content, const QString& pageFolder)
{
    return renderTemplate(
        pageFolder + QStringLiteral("/page.html"),
        {{QStringLiteral("status"), content.status}, {QStringLiteral("results"), content.results}});
}

QString renderStatusPage(const ResultPageOptions& options, const QString& statusHtml)
{
    return renderPage(statusContent(statusHtml), options.pageFolder);
}

namespace {

QString resultItemHtml(KnowledgeUnit* unit, const ResultPageOptions& options, bool radicalListing,
                       const QHash<int, int>& radicalForms)
{
    QString charClass;
    const QString characters =
        charactersHtml(unit, options, radicalListing, radicalForms, charClass);
    const bool strokes = hasAnyStrokeAnimation(options, unit->simplified()) ||
                         hasAnyStrokeAnimation(options, unit->traditional());
    return renderTemplate(
        templateFile(options, "resultBoxItem.html"),
        {{QStringLiteral("definitionCharClass"), charClass},
         {QStringLiteral("characters"), characters},
         {QStringLiteral("pinyin"), pinyinHtml(unit, options)},
         {QStringLiteral("pinyinN"), escapeHtml(unit->pinyin())},
         {QStringLiteral("definition"), definitionHtml(unit, options)},
         {QStringLiteral("listenUrl"), listenLink(unit)},
         {QStringLiteral("listenTitle"), escapeHtml(translate("Listen"))},
         {QStringLiteral("strokeOrderClass"), strokes ? QString() : QStringLiteral("hide")},
         {QStringLiteral("strokeOrderUrl"), strokeOrderLink(unit->simplified())},
         {QStringLiteral("strokeOrderTitle"), escapeHtml(translate("View stroke order"))},
         {QStringLiteral("searchUrl"), searchLink(unit->simplified()).toHtmlEscaped()}});
}

QString navigationHtml(const ResultPageOptions& options, int pageIndex, bool lastPageReached)
{
    const auto pageLink = [](int page) {
        return quilletLink({{QStringLiteral("action"), QStringLiteral("navigate")},
                            {QStringLiteral("page"), QString::number(page)}})
            .toHtmlEscaped();
    };
    return renderTemplate(
        templateFile(options, "resultNavigation.html"),
        {{QStringLiteral("hidePrevious"), pageIndex < 1 ? QStringLiteral("hide") : QString()},
         {QStringLiteral("hideNext"), lastPageReached ? QStringLiteral("hide") : QString()},
         {QStringLiteral("previousText"), escapeHtml(translate("<< Previous results"))},
         {QStringLiteral("previousUrl"), pageLink(pageIndex - 1)},
         {QStringLiteral("nextText"), escapeHtml(translate("Next results >>"))},
         {QStringLiteral("nextUrl"), pageLink(pageIndex + 1)}});
}

QString characterBoxHtml(Dictionary* dictionary, const ResultPageOptions& options,
                         KnowledgeUnit* boxEntry, Dictionary::TextType type, KnowledgeUnit* radical)
{
    const QString characters =
        type != Dictionary::Simplified ? boxEntry->traditional() : boxEntry->simplified();
    return renderTemplate(
        templateFile(options, "charBox.html"),
        {{QStringLiteral("characters"), escapeHtml(characters)},
         {QStringLiteral("pinyin"), pinyinHtml(boxEntry, options)},
         {QStringLiteral("pinyinN"), escapeHtml(boxEntry->pinyin())},
         {QStringLiteral("definition"), definitionHtml(boxEntry, options)},
         {QStringLiteral("definitionExtras"),
          characterExtras(dictionary, options, boxEntry, characters, type, radical)},
         {QStringLiteral("listenUrl"), listenLink(boxEntry)},
         {QStringLiteral("listenTitle"), escapeHtml(translate("Listen"))}});
}

// Example sentences holding a word the learner looked up by its characters.
QString wordSentencesHtml(const QString& q, Dictionary::TextType type)
{
    if ((type != Dictionary::Simplified && type != Dictionary::Traditional) ||
        korvo::splitCharacters(q).size() < 2 || queryPrefix(q) == QLatin1String("radical"))
        return QString();
    return QStringLiteral("<div id=\"sentences\" class=\"sentences wordSentences\" "
                          "data-characters=\"%1\"></div>")
        .arg(escapeHtml(q));
}

} // namespace

PageContent resultContent(Dictionary* dictionary, const ResultPageOptions& options,
                          const QString& query, const DictionarySearchResult& found, int pageIndex,
                          int resultsPerPage)
{
    const QString q = query.simplified();
    const qsizetype total = found.results.size();
    const QString status = statusHtml(q, found.type, total > 0, found.radical, found.words);
    if (total == 0)
        return statusContent(status);

    const bool radicalListing = queryPrefix(q) == QLatin1String("radical") && found.radical;
    const qsizetype first = std::max<qsizetype>(0, qsizetype(pageIndex) * resultsPerPage);
    const QList<KnowledgeUnit*> page = found.results.range(first, resultsPerPage);
    // A page beyond the results keeps both links, back to the results and on.
    const bool lastPageReached = !page.isEmpty() && first + page.size() >= total;
    const bool oneCharacter = korvo::splitCharacters(q).size() == 1;
    KnowledgeUnit* boxEntry = found.radical;
    QString items;
    for (KnowledgeUnit* unit : page) {
        if (!found.radical && oneCharacter &&
            ((found.type == Dictionary::Simplified && unit->simplified() == q) ||
             (found.type == Dictionary::Traditional && unit->traditional() == q)) &&
            isBoxCandidate(boxEntry))
            boxEntry = unit;
        items += resultItemHtml(unit, options, radicalListing, found.radicalForms);
    }
    const QString resultBox = renderTemplate(
        templateFile(options, "resultBox.html"),
        {{QStringLiteral("content"), items + navigationHtml(options, pageIndex, lastPageReached)}});
    const QString characterBox =
        boxEntry ? characterBoxHtml(dictionary, options, boxEntry, found.type, found.radical)
                 : QString();
    const QString sentences = pageIndex == 0 ? wordSentencesHtml(q, found.type) : QString();
    return {status, characterBox + resultBox + sentences};
}

QString renderResults(Dictionary* dictionary, const ResultPageOptions& options,
                      const QString& query, const DictionarySearchResult& found, int pageIndex,
                      int resultsPerPage)
{
    return renderPage(resultContent(dictionary, options, query, found, pageIndex, resultsPerPage),
                      options.pageFolder);
}

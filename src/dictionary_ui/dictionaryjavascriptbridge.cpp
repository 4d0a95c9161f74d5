#include "dictionary_ui/dictionaryjavascriptbridge.h"

#include "dictionary/characterinfo.h"
#include "dictionary/dictionary.h"
#include "profile/profile.h"
#include "text/translationcatalogue.h"

DictionaryJavaScriptBridge::DictionaryJavaScriptBridge(korvo::Dictionary* dictionary,
                                                       korvo::Profile* profile, QObject* parent)
    : QObject(parent), m_dictionary(dictionary), m_profile(profile)
{
}

const QList<korvo::Sentence>& DictionaryJavaScriptBridge::sentencesOf(const QString& characters)
{
    if (characters != m_sentencesRead) {
        m_sentences = m_dictionary->sentences(characters, SentenceLimit);
        m_sentencesRead = characters;
    }
    return m_sentences;
}

QStringList DictionaryJavaScriptBridge::sentences(const QString& characters)
{
    QStringList result;
    if (!m_dictionary || characters.isEmpty())
        return result;
    const QString mode = m_profile ? m_profile->setting(QStringLiteral("characterMode")).toString()
                                   : QStringLiteral("simplified");
    for (const korvo::Sentence& sentence : sentencesOf(characters)) {
        QString text;
        if (mode == QLatin1String("simplified"))
            text = sentence.simplified;
        else if (mode == QLatin1String("traditional"))
            text = sentence.traditional;
        else
            text = sentence.simplified + QStringLiteral(" / ") + sentence.traditional;
        if (!sentence.english.isEmpty())
            text = QStringLiteral("%1 (%2)").arg(text, sentence.english);
        result << text;
    }
    return result;
}

QStringList DictionaryJavaScriptBridge::attributions(const QString& characters)
{
    QStringList result;
    if (!m_dictionary || characters.isEmpty())
        return result;
    for (const korvo::Sentence& sentence : sentencesOf(characters))
        result << sentence.attribution;
    return result;
}

QString DictionaryJavaScriptBridge::translate(const QString& text)
{
    return korvo::translate(text);
}

#pragma once

#include "dictionary/characterinfo.h"

#include <QList>
#include <QObject>
#include <QStringList>

namespace korvo {
class Dictionary;
class Profile;
} // namespace korvo

// The object the dictionary pages' scripts reach as "kvbridge" (over the web channel, so every
// call is asynchronous and answers through a callback). It reads example sentences and interface
// translations, and carries the content of each search to the page and the page's answers back.
// Owned by the result view; the dictionary and profile are borrowed.
class DictionaryJavaScriptBridge : public QObject
{
    Q_OBJECT

public:
    static constexpr int SentenceLimit = 5;

    DictionaryJavaScriptBridge(korvo::Dictionary* dictionary, korvo::Profile* profile,
                               QObject* parent = nullptr);

signals:
    // To the page: replace the status and result nodes, then report with contentShown().
    void contentChanged(const QString& status, const QString& results, int generation);
    // From the page, relayed to the view.
    void pageScriptsReady();
    void contentPainted(int generation);

public slots:
    // Called by the page once its scripts are connected.
    void pageReady() { emit pageScriptsReady(); }
    // Called by the page after it painted the content of `generation`.
    void contentShown(int generation) { emit contentPainted(generation); }
    // Up to five example sentences holding the characters, in the scripts of "characterMode",
    // each followed by its English text in parentheses when it has one.
    QStringList sentences(const QString& characters);
    // The sources of the same sentences, in the same order.
    QStringList attributions(const QString& characters);
    // The interface text in the current language.
    QString translate(const QString& text);

private:
    // The sentences of the characters, read once for the texts and sources the page asks for
    // one after the other.
    const QList<korvo::Sentence>& sentencesOf(const QString& characters);

    korvo::Dictionary* m_dictionary;
    korvo::Profile* m_profile;
    QString m_sentencesRead;
    QList<korvo::Sentence> m_sentences;
};

#pragma once

#include <QObject>
#include <QStringList>

namespace korvo {
class Dictionary;
class Profile;
} // namespace korvo

// The object the dictionary pages' scripts reach as "kvbridge" (over the web channel, so every
// call is asynchronous and answers through a callback). It only reads: example sentences and
// interface translations. Owned by the dictionary screen; the dictionary and profile are
// borrowed.
class DictionaryJavaScriptBridge : public QObject
{
    Q_OBJECT

public:
    static constexpr int SentenceLimit = 5;

    DictionaryJavaScriptBridge(korvo::Dictionary* dictionary, korvo::Profile* profile,
                               QObject* parent = nullptr);

public slots:
    // Up to five example sentences holding the characters, in the scripts of "characterMode",
    // each followed by its English text in parentheses when it has one.
    QStringList sentences(const QString& characters);
    // The sources of the same sentences, in the same order.
    QStringList attributions(const QString& characters);
    // The interface text in the current language.
    QString translate(const QString& text);

private:
    korvo::Dictionary* m_dictionary;
    korvo::Profile* m_profile;
};

#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace korvo {

class Dictionary;

// Exit statuses every quillet-cli command shares.
enum CliStatus { CliSuccess = 0, CliNothingFound = 1, CliBadUsage = 2, CliFailed = 3 };

// The arguments of one quillet-cli command: flags ("--json"), options with a value ("--limit 5"
// or "--limit=5") and the words left over. "--" ends the options; "-" is a word (standard input).
// Anything else starting with "--" is an error, named by error().
class CommandLine
{
public:
    CommandLine(const QStringList& arguments, const QStringList& flags,
                const QStringList& valuedOptions);

    bool isValid() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }

    bool flag(const QString& name) const { return m_flags.contains(name); }
    bool hasValue(const QString& name) const { return m_values.contains(name); }
    QString value(const QString& name, const QString& defaultValue = QString()) const
    {
        return m_values.value(name, defaultValue);
    }
    // The option as a whole number of at least `minimum`, or `defaultValue` when it was not
    // given; a value that is no such number makes the command line invalid.
    int number(const QString& name, int defaultValue, int minimum = 0);
    QStringList words() const { return m_words; }

private:
    QSet<QString> m_flags;
    QHash<QString, QString> m_values;
    QStringList m_words;
    QString m_error;
};

// Writes the message and the command's usage on the error output; returns CliBadUsage.
int failWithUsage(const QString& message, const QString& usage);
// Writes the message on the error output; returns `status`.
int fail(const QString& message, int status = CliBadUsage);
// A file of the data folder beside the executable, as the program itself finds it.
QString defaultDataFile(const QString& name);
// Prints the value as one line of compact JSON.
void printJson(const QVariant& value);
// The words joined by spaces, or all of standard input when there are none (or the one word "-").
QString wordsOrStandardInput(const QStringList& words);
// The profile folder a command works on: the folder of the file "Profile.db" or the folder named
// by --profile, or without it the running program's own. Empty when --profile names anything
// else (the profile is always "Profile.db" in its folder; another name would be ignored).
QString profileFolderOption(const CommandLine& line);
// Opens the dictionary file and checks that it can be read, without the database's own
// warnings (the caller names the file in one line instead).
bool openDictionaryQuietly(Dictionary& dictionary, const QString& path);

} // namespace korvo

#include "cli/statscommand.h"

#include "cli/commandline.h"
#include "profile/builtindecks.h"
#include "profile/profile.h"
#include "profile/profileschema.h"
#include "statistics/practicestatistics.h"
#include "statistics/statisticstable.h"
#include "text/translationcatalogue.h"

#include <QDir>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <QVariantList>
#include <QVariantMap>

namespace korvo {

namespace {

const char* const Connection = "quillet-cli-stats";

// The deck or folder with this title (as stored or as shown, in any case): its id in *deckId and
// its shown title in *shown; false when none or several have it.
bool findDeck(const QSqlDatabase& database, const QString& title, int* deckId, QString* shown,
              int* matches)
{
    QSqlQuery query(database);
    *matches = 0;
    if (!query.exec(QStringLiteral("SELECT id, title FROM Decks ORDER BY sortOrder, id")))
        return false;
    while (query.next()) {
        const QString stored = query.value(1).toString();
        const QString display = builtInDisplayTitle(stored);
        if (stored.compare(title, Qt::CaseInsensitive) == 0 ||
            display.compare(title, Qt::CaseInsensitive) == 0) {
            ++*matches;
            *deckId = query.value(0).toInt();
            *shown = display;
        }
    }
    return *matches == 1;
}

QVariantMap reportAsJson(const StatisticsReport& report, const QString& deck)
{
    QVariantList days;
    for (const DayAnswers& day : report.days)
        days << QVariantMap{{QStringLiteral("date"), day.date.toString(Qt::ISODate)},
                            {QStringLiteral("correct"), day.correct},
                            {QStringLiteral("wrong"), day.wrong}};
    QVariantList due;
    for (const DueDay& day : report.due)
        due << QVariantMap{{QStringLiteral("date"), day.date.toString(Qt::ISODate)},
                           {QStringLiteral("cards"), day.cards}};
    QVariantList decks;
    for (const DeckBands& bands : report.decks)
        decks << QVariantMap{{QStringLiteral("title"), bands.title},
                             {QStringLiteral("new"), bands.cards[0]},
                             {QStringLiteral("learning"), bands.cards[1]},
                             {QStringLiteral("known"), bands.cards[2]},
                             {QStringLiteral("mastered"), bands.cards[3]}};
    QVariantList hours;
    for (int count : report.hours)
        hours << count;
    QVariantList hardest;
    for (const HardCard& card : report.hardest)
        hardest << QVariantMap{{QStringLiteral("cardId"), card.cardId},
                               {QStringLiteral("simplified"), card.simplified},
                               {QStringLiteral("traditional"), card.traditional},
                               {QStringLiteral("pinyin"), card.pinyin},
                               {QStringLiteral("definition"), card.definition},
                               {QStringLiteral("wrong"), card.wrong},
                               {QStringLiteral("answers"), card.answers}};
    return {{QStringLiteral("deck"), deck},
            {QStringLiteral("range"), rangeKey(report.range)},
            {QStringLiteral("today"), report.today.toString(Qt::ISODate)},
            {QStringLiteral("streak"), report.streak},
            {QStringLiteral("answers"), report.answers},
            {QStringLiteral("correct"), report.correct},
            {QStringLiteral("untimedAnswers"), report.untimedAnswers},
            {QStringLiteral("cards"), report.cards},
            {QStringLiteral("dueToday"), report.dueToday()},
            {QStringLiteral("days"), days},
            {QStringLiteral("due"), due},
            {QStringLiteral("decks"), decks},
            {QStringLiteral("hours"), hours},
            {QStringLiteral("hardest"), hardest}};
}

void printTable(QTextStream& out, const StatisticsTable& table)
{
    out << '\n' << table.title << '\n' << table.columns.join(QLatin1Char('\t')) << '\n';
    for (const StatisticsTable::Row& row : table.rows) {
        QStringList fields{row.key};
        for (double value : row.values)
            fields << StatisticsTable::number(value);
        out << fields.join(QLatin1Char('\t')) << '\n';
    }
}

void printReport(const StatisticsReport& report, const QString& deck)
{
    QTextStream out(stdout);
    const QLocale locale(QLocale::English);
    out << translate(QStringLiteral("Decks: %1")).arg(deck) << '\n'
        << translate(QStringLiteral("From %1 to %2"))
               .arg(report.days.first().date.toString(Qt::ISODate),
                    report.today.toString(Qt::ISODate))
        << '\n'
        << translate(QStringLiteral("Days in a row: %1")).arg(report.streak) << '\n'
        << translate(QStringLiteral("Answers: %1, correct: %2 (%3%)"))
               .arg(report.answers)
               .arg(report.correct)
               .arg(qRound(100 * report.correctRate()))
        << '\n';
    if (report.untimedAnswers > 0)
        out << translate(QStringLiteral("Answers from before answer times were kept, counted in "
                                        "the totals but on no day: %1"))
                   .arg(report.untimedAnswers)
            << '\n';
    out << translate(QStringLiteral("Cards: %1")).arg(report.cards) << '\n'
        << translate(QStringLiteral("Due today: %1")).arg(report.dueToday()) << '\n';
    printTable(out, answersTable(report, locale));
    printTable(out, dueTable(report, locale));
    printTable(out, decksTable(report));
    printTable(out, hoursTable(report));
    out << '\n' << translate(QStringLiteral("Hardest cards")) << '\n';
    for (const HardCard& card : report.hardest)
        out << card.simplified << '\t' << card.pinyin << '\t'
            << translate(QStringLiteral("%1 wrong of %2")).arg(card.wrong).arg(card.answers)
            << '\n';
    out.flush();
}

// Prints the report of a profile file opened read-only; returns the exit status.
int reportOfFile(const QString& path, const CommandLine& line, StatisticsRange range)
{
    QSqlDatabase database =
        QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(Connection));
    database.setDatabaseName(path);
    database.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
    if (!database.open())
        return fail(translate(QStringLiteral("The profile %1 cannot be used: %2"))
                        .arg(QDir::toNativeSeparators(path), database.lastError().text()),
                    CliFailed);
    // Answer times came with schema version 3.0; an older file is brought up to date by the
    // program, never by this command, which only reads.
    if (!database.record(QStringLiteral("Knowledge")).contains(QStringLiteral("answerTime")))
        return fail(translate(QStringLiteral("The profile %1 is from an older version of Quillet; "
                                             "start Quillet once to bring it up to date."))
                        .arg(QDir::toNativeSeparators(path)),
                    CliFailed);
    int deckId = PracticeStatistics::AllDecks;
    QString deck = translate(QStringLiteral("All decks"));
    if (line.hasValue(QStringLiteral("deck"))) {
        int matches = 0;
        if (!findDeck(database, line.value(QStringLiteral("deck")).trimmed(), &deckId, &deck,
                      &matches))
            return fail(matches == 0
                            ? translate(QStringLiteral("No deck or folder is called %1"))
                                  .arg(line.value(QStringLiteral("deck")))
                            : translate(QStringLiteral("%1 decks or folders are called %2; "
                                                       "rename one of them"))
                                  .arg(matches)
                                  .arg(line.value(QStringLiteral("deck"))),
                        matches == 0 ? CliNothingFound : CliFailed);
    }
    const StatisticsReport report =
        PracticeStatistics(database).report(deckId, range, QDateTime::currentDateTime());
    if (line.flag(QStringLiteral("json")))
        printJson(reportAsJson(report, deck));
    else
        printReport(report, deck);
    return CliSuccess;
}

} // namespace

QString statsUsage()
{
    return translate(QStringLiteral("usage: quillet-cli stats [--profile FILE] [--deck TITLE] "
                                    "[--range 7d|30d|12m|all] [--json]"));
}

int runStatsCommand(const QStringList& arguments)
{
    CommandLine line(arguments, {QStringLiteral("json")},
                     {QStringLiteral("profile"), QStringLiteral("deck"), QStringLiteral("range")});
    if (!line.isValid())
        return failWithUsage(line.error(), statsUsage());
    if (!line.words().isEmpty())
        return failWithUsage(
            translate(QStringLiteral("unexpected argument %1")).arg(line.words().first()),
            statsUsage());
    StatisticsRange range = StatisticsRange::Month;
    if (line.hasValue(QStringLiteral("range")) &&
        !rangeFromKey(line.value(QStringLiteral("range")), &range))
        return failWithUsage(translate(QStringLiteral("--range is one of 7d, 30d, 12m and all")),
                             statsUsage());
    const QString folder = profileFolderOption(line);
    if (folder.isEmpty())
        return failWithUsage(
            translate(QStringLiteral("--profile names a file Profile.db or its folder")),
            statsUsage());
    const QString path = QDir(folder).filePath(QStringLiteral("Profile.db"));
    const ProfileFileCheck check = checkProfileFile(path, Profile::SchemaVersions.last());
    if (check.state == ProfileFileState::Missing)
        return fail(
            translate(QStringLiteral("There is no profile %1")).arg(QDir::toNativeSeparators(path)),
            CliFailed);
    if (!check.canOpen())
        return fail(translate(QStringLiteral("The profile %1 cannot be used: %2"))
                        .arg(QDir::toNativeSeparators(path), check.detail),
                    CliFailed);
    const int status = reportOfFile(path, line, range);
    QSqlDatabase::removeDatabase(QLatin1String(Connection));
    return status;
}

} // namespace korvo

#include "statistics/localcalendar.h"

#include <QDateTime>
#include <QStringList>
#include <QTime>

namespace korvo {

LocalCalendar::LocalCalendar(const QTimeZone& zone)
    : m_zone(zone.isValid() ? zone : QTimeZone::utc())
{
}

QDate LocalCalendar::dateOf(qint64 seconds) const
{
    return QDateTime::fromSecsSinceEpoch(seconds, m_zone).date();
}

int LocalCalendar::hourOf(qint64 seconds) const
{
    return QDateTime::fromSecsSinceEpoch(seconds, m_zone).time().hour();
}

qint64 LocalCalendar::startOf(const QDate& date) const
{
    return QDateTime(date, QTime(0, 0), m_zone).toSecsSinceEpoch();
}

QString LocalCalendar::localSecondsSql(const QString& column, qint64 from, qint64 to) const
{
    const QDateTime start = QDateTime::fromSecsSinceEpoch(from, QTimeZone::utc());
    const QDateTime end = QDateTime::fromSecsSinceEpoch(qMax(from, to), QTimeZone::utc());
    const int firstOffset = m_zone.offsetFromUtc(start);
    const QTimeZone::OffsetDataList transitions = m_zone.transitions(start, end);
    if (transitions.isEmpty())
        return QStringLiteral("(%1 + %2)").arg(column).arg(firstOffset);
    // One branch per stretch of constant offset, the earliest first.
    QStringList branches;
    int offset = firstOffset;
    for (const QTimeZone::OffsetData& transition : transitions) {
        branches << QStringLiteral("WHEN %1 < %2 THEN %3")
                        .arg(column)
                        .arg(transition.atUtc.toSecsSinceEpoch())
                        .arg(offset);
        offset = transition.offsetFromUtc;
    }
    return QStringLiteral("(%1 + CASE %2 ELSE %3 END)")
        .arg(column, branches.join(QLatin1Char(' ')))
        .arg(offset);
}

QString LocalCalendar::hourOfLocalSecondsSql(const QString& localSeconds)
{
    return QStringLiteral("(((%1 % 86400) + 86400) % 86400 / 3600)").arg(localSeconds);
}

} // namespace korvo

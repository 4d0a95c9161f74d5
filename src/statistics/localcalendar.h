#pragma once

#include <QDate>
#include <QString>
#include <QTimeZone>
#include <QtGlobal>

namespace korvo {

// The learner's calendar in one time zone: the local day and hour of a moment given in seconds
// since 1970-01-01 UTC, where each day starts, and the local hour as SQL, so that the database
// groups answer times by it itself. Daylight-saving changes and zones a
// fraction of an hour off UTC are followed. A value type; the statistics take one so that a test
// can count days in any zone.
class LocalCalendar
{
public:
    explicit LocalCalendar(const QTimeZone& zone = QTimeZone::systemTimeZone());

    QTimeZone zone() const { return m_zone; }

    QDate dateOf(qint64 seconds) const;
    int hourOf(qint64 seconds) const;
    // The first second of the date in the zone (the moment after a gap when midnight is skipped).
    qint64 startOf(const QDate& date) const;

    // An SQL expression for the wall-clock seconds of the integer column `column`: its value plus
    // the zone's offset from UTC at that moment, exact for every moment from `from` to `to`
    // (seconds since 1970 UTC). The offsets are computed numbers, written into the text; nothing
    // else is.
    QString localSecondsSql(const QString& column, qint64 from, qint64 to) const;
    // SQL for the local hour (0-23) of a wall-clock seconds expression.
    static QString hourOfLocalSecondsSql(const QString& localSeconds);

private:
    QTimeZone m_zone;
};

} // namespace korvo

// The "Set notification time" dialog on Linux: a date field in the locale's
// long form, a time field with up and down arrows, the day buttons, the 36
// hour and minute buttons at their places, and OK, Cancel and Clear, laid
// out in a 240 × 320 client. What the controls do is SetTimeDialog's.
#pragma once

#include <QDialog>

#include "alarm_schedule/set_time_dialog.h"

class QDateEdit;
class QPushButton;
class QTimeEdit;

namespace tavrin::handheld {

class SetTimeWindow : public QDialog, public TimeFields {
public:
    // Opens with the current memo's pending alarm, else the next minute.
    SetTimeWindow(AlarmScheduler& alarms, bool twelveHour, QWidget* owner);

    // Both read the two fields together: the date field's day and the time
    // field's time of day.
    SYSTEMTIME Date() const override;
    void SetDate(const SYSTEMTIME& date) override;
    SYSTEMTIME Time() const override;
    void SetTime(const SYSTEMTIME& time) override;

    QDateEdit& DateField() { return *date_; }
    QTimeEdit& TimeField() { return *time_; }

    // Escape and the window's close button are Cancel.
    void reject() override;

private:
    QPushButton* AddButton(const QString& text, const QRect& place);
    void AddTimeButtons(bool twelveHour);
    void RunControl(int controlId);
    SYSTEMTIME Value() const;

    SetTimeDialog dialog_;
    QDateEdit* date_;
    QTimeEdit* time_;
};

}  // namespace tavrin::handheld

#include "handheld/qt/set_time_window.h"

#include <QDateEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimeEdit>

#include <cmath>

namespace tavrin::handheld {
namespace {

// The dialog's client: the full-screen dialog of the 240 × 320 screen.
constexpr int kClientWidth = 240;
constexpr int kClientHeight = 320;
// The dialog is laid out in dialog units 138 wide; one unit is this many
// pixels across and down, so that its width fills the client.
constexpr double kPixelsPerUnit = kClientWidth / 138.0;

QRect FromDialogUnits(int x, int y, int width, int height) {
    auto pixels = [](int units) { return static_cast<int>(std::lround(units * kPixelsPerUnit)); };
    return {pixels(x), pixels(y), pixels(width), pixels(height)};
}

QRect ToQRect(const Rect& rect) {
    return {rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

}  // namespace

SetTimeWindow::SetTimeWindow(AlarmScheduler& alarms, bool twelveHour, QWidget* owner)
    : QDialog(owner), dialog_(alarms, *this) {
    setWindowTitle(QString::fromUtf8(kSetTimeDialogTitle));
    setModal(true);
    setFixedSize(kClientWidth, kClientHeight);

    date_ = new QDateEdit(this);
    date_->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
    date_->setGeometry(FromDialogUnits(2, 2, 133, 15));
    time_ = new QTimeEdit(this);
    time_->setDisplayFormat(QLocale().timeFormat(QLocale::ShortFormat));
    time_->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    time_->setGeometry(FromDialogUnits(36, 44, 65, 14));

    struct Control {
        int id;
        const char* text;
        QRect place;
    };
    const Control controls[] = {
        {kTodayButton, "Today", FromDialogUnits(2, 19, 27, 13)},
        {kTomorrowButton, "Tomorrow", FromDialogUnits(31, 19, 41, 13)},
        {kAfterTomorrowButton, "After Tomorrow", FromDialogUnits(74, 19, 61, 13)},
        {kOkButton, "OK", FromDialogUnits(71, 138, 30, 12)},
        {kCancelButton, "Cancel", FromDialogUnits(105, 138, 30, 12)},
        {kClearButton, "Clear", FromDialogUnits(2, 138, 30, 12)},
    };
    for (const Control& control : controls) {
        QPushButton* button = AddButton(QString::fromUtf8(control.text), control.place);
        button->setDefault(control.id == kOkButton);
        connect(button, &QPushButton::clicked, this, [this, id = control.id] { RunControl(id); });
    }
    AddTimeButtons(twelveHour);
    dialog_.Open();
}

QPushButton* SetTimeWindow::AddButton(const QString& text, const QRect& place) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    button->setGeometry(place);
    return button;
}

void SetTimeWindow::AddTimeButtons(bool twelveHour) {
    const auto hours = HourButtons(twelveHour);
    for (int hour = 0; hour < kHourButtonCount; ++hour) {
        const TimeButton& button = hours[static_cast<std::size_t>(hour)];
        connect(AddButton(QString::fromStdString(button.label), ToQRect(button.place)),
                &QPushButton::clicked, this, [this, hour] { dialog_.HourButton(hour); });
    }
    const auto minutes = MinuteButtons();
    for (int index = 0; index < kMinuteButtonCount; ++index) {
        const TimeButton& button = minutes[static_cast<std::size_t>(index)];
        connect(AddButton(QString::fromStdString(button.label), ToQRect(button.place)),
                &QPushButton::clicked, this, [this, index] { dialog_.MinuteButton(index); });
    }
}

void SetTimeWindow::RunControl(int controlId) {
    if (const std::optional<int> result = dialog_.Command(controlId)) done(*result);
}

void SetTimeWindow::reject() { RunControl(kCancelButton); }

SYSTEMTIME SetTimeWindow::Value() const {
    const QDate date = date_->date();
    const QTime time = time_->time();
    return SYSTEMTIME{static_cast<std::uint16_t>(date.year()),
                      static_cast<std::uint16_t>(date.month()),
                      static_cast<std::uint16_t>(date.dayOfWeek() % 7),  // Sunday is 0
                      static_cast<std::uint16_t>(date.day()),
                      static_cast<std::uint16_t>(time.hour()),
                      static_cast<std::uint16_t>(time.minute()),
                      static_cast<std::uint16_t>(time.second()),
                      static_cast<std::uint16_t>(time.msec())};
}

SYSTEMTIME SetTimeWindow::Date() const { return Value(); }
SYSTEMTIME SetTimeWindow::Time() const { return Value(); }

void SetTimeWindow::SetDate(const SYSTEMTIME& date) {
    date_->setDate(QDate(date.year, date.month, date.day));
}

void SetTimeWindow::SetTime(const SYSTEMTIME& time) {
    time_->setTime(QTime(time.hour, time.minute, time.second, time.milliseconds));
}

}  // namespace tavrin::handheld

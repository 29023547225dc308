// Locale texts from QLocale. The default QLocale is the user's (LANG,
// LC_ALL, LC_TIME) until a test pins another one.
#include <QDate>
#include <QLocale>
#include <QRegularExpression>
#include <QString>
#include <QTime>

#include "platform/locale_text.h"

namespace tavrin::platform {
namespace {

bool Deliver(const QString& formatted, std::string& text) {
    if (formatted.isEmpty()) return false;
    text = formatted.toStdString();
    return true;
}

// The locale's short time form without its seconds: some locales' short
// form has them ("HH:mm:ss" in the C locale).
QString WithoutSeconds() {
    static const QRegularExpression seconds(QStringLiteral("[.:]?s{1,2}"));
    return QLocale().timeFormat(QLocale::ShortFormat).remove(seconds).trimmed();
}

class QtLocaleTexts : public LocaleTexts {
public:
    bool ShortDate(const SYSTEMTIME& time, std::string& text) const override {
        const QDate date(time.year, time.month, time.day);
        return date.isValid() && Deliver(QLocale().toString(date, QLocale::ShortFormat), text);
    }
    bool TimeWithoutSeconds(const SYSTEMTIME& time, std::string& text) const override {
        const QTime clock(time.hour, time.minute);
        return clock.isValid() && Deliver(QLocale().toString(clock, WithoutSeconds()), text);
    }
};

}  // namespace

const LocaleTexts& UserLocaleTexts() {
    static const QtLocaleTexts texts;
    return texts;
}

void PinUserLocale(std::string_view name) {
    QLocale::setDefault(QLocale(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))));
}

}  // namespace tavrin::platform

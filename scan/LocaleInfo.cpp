#include "scan/LocaleInfo.h"

#include <clocale>
#include <cstring>
#include <langinfo.h>

namespace {

enum class DatePart { None, Month, Day, Year };

DatePart PartOf(char conversion) {
    switch (conversion) {
    case 'm':
    case 'b':
    case 'B':
    case 'h':
        return DatePart::Month;
    case 'd':
    case 'e':
        return DatePart::Day;
    case 'y':
    case 'Y':
    case 'C':
    case 'G':
    case 'g':
        return DatePart::Year;
    default:
        return DatePart::None;
    }
}

// The first month, day or year directive of a strftime format. `expandLocale`
// lets %x stand for the locale's own date format once, so a format that names
// itself cannot loop.
DatePart FirstDatePart(const char* format, bool expandLocale) {
    for (const char* p = format; *p != '\0'; ++p) {
        if (*p != '%')
            continue;
        ++p;
        // glibc flags and field widths, then the E and O modifiers.
        while (*p != '\0' && (std::strchr("_-0^#", *p) != nullptr || (*p >= '0' && *p <= '9')))
            ++p;
        if (*p == 'E' || *p == 'O')
            ++p;
        if (*p == '\0')
            break;
        switch (*p) {
        case 'D': // %m/%d/%y
            return DatePart::Month;
        case 'F': // %Y-%m-%d
            return DatePart::Year;
        case 'x':
            if (expandLocale) {
                const DatePart part = FirstDatePart(nl_langinfo(D_FMT), false);
                if (part != DatePart::None)
                    return part;
            }
            break;
        default:
            if (const DatePart part = PartOf(*p); part != DatePart::None)
                return part;
            break;
        }
    }
    return DatePart::None;
}

} // namespace

char ThousandSepFrom(const char* separator) {
    // A separator of several bytes (a no-break space in UTF-8) does not fit one
    // character; neither does none at all, as in the C locale.
    if (separator == nullptr || separator[0] == '\0' || separator[1] != '\0')
        return '.';
    return separator[0];
}

DateOrder DateOrderFrom(const char* dateFormat) {
    if (dateFormat == nullptr)
        return DateOrder::YearFirst;
    switch (FirstDatePart(dateFormat, true)) {
    case DatePart::Month:
        return DateOrder::MonthFirst;
    case DatePart::Day:
        return DateOrder::DayFirst;
    default:
        return DateOrder::YearFirst;
    }
}

char LocaleThousandSep() {
    const lconv* conventions = std::localeconv();
    return ThousandSepFrom(conventions != nullptr ? conventions->thousands_sep : nullptr);
}

DateOrder LocaleDateOrder() {
    return DateOrderFrom(nl_langinfo(D_FMT));
}

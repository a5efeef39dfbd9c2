#pragma once

#include "scan/DateOrder.h"

// The user's locale as the rows see it, read without Qt so the window and the
// command-line tool agree. Both take the process locale (setlocale(LC_ALL, "")).

// The digit-group separator: the locale's when it is exactly one byte, else '.'.
char LocaleThousandSep();
// The part the short date puts first; year first when it names none.
DateOrder LocaleDateOrder();

// The same rules on given texts, for tests and other sources.
char ThousandSepFrom(const char* separator);
DateOrder DateOrderFrom(const char* dateFormat);

#pragma once

// The user's locale as the rows see it, read without Qt so the window and the
// command-line tool agree. Both take the process locale (setlocale(LC_ALL, "")).

// The digit-group separator: the locale's when it is exactly one byte, else '.'.
char LocaleThousandSep();
// '0' when the short date puts the month first, '1' the day, '2' the year (or none found).
int LocaleDateOrder();

// The same rules on given texts, for tests and other sources.
char ThousandSepFrom(const char* separator);
int DateOrderFrom(const char* dateFormat);

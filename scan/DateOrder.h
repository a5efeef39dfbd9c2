#pragma once

// The orders in which a locale writes the parts of a short date, each with
// the form the rows write it in.
enum class DateOrder { MonthFirst, DayFirst, YearFirst };

struct DateOrderSpec {
    DateOrder order;
    const char* form; // in strftime's terms; the rows know %m, %d, %Y and plain characters
};

inline constexpr DateOrderSpec kDateOrders[] = {
    {DateOrder::MonthFirst, "%m-%d-%Y"},
    {DateOrder::DayFirst, "%d-%m-%Y"},
    {DateOrder::YearFirst, "%Y-%m-%d"},
};

// The table is indexed by the order.
static_assert(kDateOrders[0].order == DateOrder::MonthFirst &&
              kDateOrders[1].order == DateOrder::DayFirst &&
              kDateOrders[2].order == DateOrder::YearFirst);

constexpr const char* DateForm(DateOrder order) {
    return kDateOrders[static_cast<int>(order)].form;
}

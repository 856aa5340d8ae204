#include "core/system/Today.h"

namespace {
QDate g_today;
} // namespace

QDate today()
{
    return g_today.isValid() ? g_today : QDate::currentDate();
}

void setToday(const QDate &date)
{
    g_today = date;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// A locale's way with numbers, read from QLocale.
#include "qt/locale_numbers.h"

#include <QString>
#include <QStringList>

namespace nq {

NumberFormat NumbersOf(const QLocale& locale) {
    NumberFormat format{locale.groupSeparator().toStdString(), locale.decimalPoint().toStdString(), ""};
    if (format.Separator.empty() || locale.numberOptions().testFlag(QLocale::OmitGroupSeparator))
        return format;
    // Qt names no group sizes: they are read off a long number as the locale writes it, from the right, the
    // leftmost (perhaps partial) group left out.
    const QStringList groups = locale.toString(Q_INT64_C(1234567890123456789)).split(locale.groupSeparator());
    for (qsizetype k = groups.size() - 1; k > 0; --k)
        format.Grouping += static_cast<char>(groups[k].size());
    return format;
}

}  // namespace nq

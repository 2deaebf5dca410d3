#include "decimal_separator.h"

#include <QLocale>

std::string UserDecimalSeparator() {
    const QString symbol = QLocale::system().decimalPoint();
    if (symbol.size() != 1) return ".";
    return symbol.toStdString();
}

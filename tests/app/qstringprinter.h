// Lets GoogleTest print QString values in failure messages.
#ifndef QSTRINGPRINTER_H
#define QSTRINGPRINTER_H

#include <QString>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

#endif // QSTRINGPRINTER_H

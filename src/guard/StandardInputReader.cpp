#include "StandardInputReader.h"

#include <cstdio>

void StandardInputReader::run()
{
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, stdin))
        emit lineRead(QByteArray(buffer).trimmed());
    emit closed();
}

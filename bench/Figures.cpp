#include "Figures.h"

#include <QFile>

#include <cstring>

namespace {

// A memory figure of /proc/self/status ("VmRSS:", "VmHWM:"), in MiB.
double statusMebibytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (QByteArray line = status.readLine(); !line.isEmpty(); line = status.readLine()) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return -1;
}

} // namespace

double residentMebibytes()
{
    return statusMebibytes("VmRSS:");
}

double peakResidentMebibytes()
{
    return statusMebibytes("VmHWM:");
}

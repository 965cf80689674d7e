#include "ProgramDirectory.h"

#include <QDir>
#include <QStringList>

QString joinProgramPath(const QString& programDirectory, const QString& backslashPath)
{
    QString relative = backslashPath;
    relative.replace(u'\\', u'/');
    return QDir::cleanPath(programDirectory + u'/' + relative);
}

bool staysBelowProgramDirectory(const QString& backslashPath)
{
    int depth = 0;
    const QStringList parts = QString(backslashPath).replace(u'\\', u'/').split(u'/', Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (part == u"..")
            --depth;
        else if (part != u".")
            ++depth;
        if (depth < 0)
            return false;
    }
    return true;
}

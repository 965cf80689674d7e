#include "TestProgramDirectory.h"

#include <QDir>
#include <QFile>

QByteArray fileContents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

QByteArray TestProgramDirectory::standardSettings(const QString& com6Device)
{
    return "[sezione 1]\r\npath_PROC=C:\\VELTRANO\r\n"
           "[sezione 2]\r\npath_DATI=\\DATABASE\\VELTRANO.MDB\r\n"
           "[sezione 3]\r\nUTENTE=IZ0ABC\r\n"
           "[sezione 5]\r\nRELEASE=Rel. 2.1\r\n"
           "[sezione 6]\r\nPORTACOM=6\r\n"
           "[sezione 7]\r\nPORTACOMSET=9600,n,8,1\r\n"
           "[sezione 8]\r\nPIN=9\r\n"
           "[sezione 9]\r\nMAXROT=180\r\n"
           "[sezione 10]\r\nMINROT=0\r\n"
           "[porte]\r\nCOM6=" +
           com6Device.toLocal8Bit() + "\r\n";
}

TestProgramDirectory::TestProgramDirectory(const QByteArray& settings)
{
    QDir(m_directory.path()).mkpath(QStringLiteral("DATABASE"));
    if (!settings.isEmpty())
        writeSettings(settings);
}

QString TestProgramDirectory::settingsPath() const
{
    return QDir(m_directory.path()).filePath(QStringLiteral("VELTRANO.ini"));
}

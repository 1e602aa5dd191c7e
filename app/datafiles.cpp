#include "datafiles.h"

#include <QCoreApplication>
#include <QFileInfo>

QString FindDataFile(const QString& name)
{
    const QString exeDir = QCoreApplication::applicationDirPath();
    const QString candidates[] = {
        exeDir + "/" + name,
        exeDir + "/../share/norrava/" + name,
        QStringLiteral(NORRAVA_INSTALL_DATA_DIR) + "/" + name,
        QStringLiteral(NORRAVA_SOURCE_DATA_DIR) + "/" + name,
    };
    for (const QString& path : candidates) {
        if (QFileInfo(path).isFile())
            return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

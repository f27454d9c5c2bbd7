#include "Platform.h"

QIcon RealPlatform::programIcon(const QString& path)
{
    return fileIcon(path);
}

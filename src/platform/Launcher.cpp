#include "Platform.h"

void RealPlatform::startProgram(const QString& commandLine)
{
    Q_UNUSED(commandLine);
}

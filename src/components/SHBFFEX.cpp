#include "SHBFFEX.h"

#include <QWidget>

TSHBrowseForFolderEx::TSHBrowseForFolderEx(QWidget* owner) : QObject(owner), m_owner(owner) {}

bool TSHBrowseForFolderEx::Execute()
{
    return false;
}

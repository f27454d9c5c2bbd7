#include "FolderButton.h"

#include "Glyphs.h"

#include <QToolButton>

QToolButton* folderButton(QWidget* parent, const QRect& geometry, const QString& hint)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QStringLiteral("FolderBtn"));
    b->setIcon(Glyphs::folder());
    b->setIconSize(QSize(14, 15));
    b->setGeometry(geometry);
    b->setFocusPolicy(Qt::NoFocus);
    b->setToolTip(hint);
    return b;
}

#include "AccessibleNames.h"

#include <QComboBox>
#include <QLabel>

namespace AccessibleNames {

void nameAfter(QLabel* captionLabel, QWidget* c)
{
    captionLabel->setBuddy(c);
    if (!qobject_cast<QComboBox*>(c)) c->setAccessibleName(captionLabel->text());
}

void name(QWidget* c, const QString& text)
{
    if (auto* combo = qobject_cast<QComboBox*>(c)) {
        auto* unseen = new QLabel(text, combo->parentWidget());
        unseen->setObjectName(combo->objectName() + QStringLiteral("Caption"));
        unseen->hide();
        unseen->setBuddy(combo);
        return;
    }
    c->setAccessibleName(text);
}

} // namespace AccessibleNames

#pragma once

class QLabel;
class QString;
class QWidget;

// How a window names its controls for a screen reader, where it creates them:
// a field or list beside a caption is named by that caption, a control
// without one by what it is for. Hints stay the descriptions.
namespace AccessibleNames {

// The caption beside a control names it: the label becomes its buddy (the
// relation a screen reader follows) and the control takes its text as name.
void nameAfter(QLabel* caption, QWidget* control);
// A control without a caption beside it. A drop-down list publishes its
// current item as its name, so it is given an unseen caption instead.
void name(QWidget* control, const QString& name);

}

#pragma once

class QAbstractItemView;
class QLabel;
class QString;
class QWidget;
class TForm1;

// What a screen reader and a keyboard user need beyond what the windows draw.
namespace Accessibility {

// Gives every control of the main window and of its dialogs a name a screen
// reader speaks: a field or list beside a caption is named by that caption, a
// control without one by what it is for. The hints stay the descriptions.
// Run once the dialogs exist.
void setUp(TForm1& main);

// The caption beside a control names it: the label becomes its buddy (the
// relation a screen reader follows) and the control takes its text as name.
void nameAfter(QLabel* caption, QWidget* control);
// A control without a caption beside it. A drop-down list publishes its
// current item as its name, so it is given an unseen caption instead.
void name(QWidget* control, const QString& name);

// A list entered with Tab or Shift+Tab while nothing is selected selects its
// current item (the first one when there is none), so that the first arrow
// key moves on from there instead of skipping it.
void selectOnTabFocus(QAbstractItemView* list);

}

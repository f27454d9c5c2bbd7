#pragma once

class QAbstractItemView;

// What a keyboard user needs beyond what the windows draw. (Each window names
// its own controls for screen readers where it creates them: AccessibleNames.)
namespace Accessibility {

// A list entered with Tab or Shift+Tab while nothing is selected selects its
// current item (the first one when there is none), so that the first arrow
// key moves on from there instead of skipping it.
void selectOnTabFocus(QAbstractItemView* list);

}

#pragma once
#include <QRect>
#include <QString>

class QDialog;
class QLabel;
class QPushButton;
class QWidget;

// How the program's dialogs are framed, placed and furnished.
namespace DialogFrame {
// A settings dialog: a dialog's frame with the close button alone (a close
// from the title bar does what the dialog's own closing button does), always
// on top, the windows' own font, a fixed client size.
void setUp(QDialog* dialog, int clientWidth, int clientHeight);
// Centres a window on the screen's available area.
void centre(QWidget* widget);
// A push button that is never the default: Enter in a field presses nothing.
QPushButton* plainButton(const QString& caption, const char* name, QWidget* parent, const QRect& geometry);
// A label that shows its text as it is, never as markup.
QLabel* plainLabel(const QString& text, const QString& name, QWidget* parent, const QRect& geometry);
// A fixed-width plain label: a long text is cut at its width, never wrapped
// and never growing the label.
QLabel* fieldLabel(const QString& name, QWidget* parent, const QRect& geometry);
}

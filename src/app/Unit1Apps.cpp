// Registered applications, shell commands, help documents and the about box.
#include "Unit1.h"

#include <QAction>
#include <QCheckBox>
#include <QToolButton>

void TForm1::setupApps() {}
void TForm1::LoadAppItem() {}
void TForm1::AppnExec(int slot) { Q_UNUSED(slot); }
void TForm1::AppExec(const QString& commandLine) { Q_UNUSED(commandLine); }
void TForm1::ExeSetApp(bool flag)
{
    CheckBox1->setChecked(flag);
    E1->setChecked(flag);
    N19->setChecked(flag);
}
void TForm1::CheckBox1Click() { ExeSetApp(CheckBox1->isChecked()); }
void TForm1::E1Click() {}
void TForm1::N19Click() {}
void TForm1::AppBtn1Click(int tag) { AppnExec(tag); }
void TForm1::SApp5Click(int tag) { AppnExec(tag); }
void TForm1::FApp5Click(int tag) { AppnExec(tag); }
void TForm1::X1Click() {}
void TForm1::N16Click() { X1Click(); }
void TForm1::R1Click() {}
void TForm1::N17Click() { R1Click(); }
void TForm1::ReadmeR1Click() {}
void TForm1::His1Click() {}
void TForm1::ManualM1Click() {}
void TForm1::V1Click() {}

QString TForm1::slotHint(int n) const { return (n >= 1 && n <= 5) ? AppBtn[n]->toolTip() : QString(); }
QString TForm1::slotPath(int n) const { return (n >= 1 && n <= 5) ? AppPath[n] : QString(); }
QString TForm1::slotOption(int n) const { return (n >= 1 && n <= 5) ? AppOption[n] : QString(); }
QImage TForm1::slotHiddenImage(int n) const { return (n >= 1 && n <= 5) ? Image[n] : QImage(); }
void TForm1::confirmSlot(int, bool, const QString&, const QString&, const QString&, const QImage&) {}

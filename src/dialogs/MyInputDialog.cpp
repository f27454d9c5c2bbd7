#include "MyInputDialog.h"

#include "DialogUtil.h"
#include "MainForm.h"

TForm3::TForm3(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setWindowTitle(QStringLiteral("Form3"));
    DialogUtil::makeFixedDialog(this, 300, 200);
}

#include "testexe.h"

#include "DialogUtil.h"
#include "MainForm.h"

TForm5::TForm5(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setWindowTitle(QStringLiteral("Form5"));
    DialogUtil::makeFixedDialog(this, 300, 200);
}

#include "KaDialog.h"

#include "DialogUtil.h"
#include "MainForm.h"

TForm2::TForm2(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setWindowTitle(QStringLiteral("拡張子の設定"));
    DialogUtil::makeFixedDialog(this, 300, 200);
}

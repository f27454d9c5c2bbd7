#include "ColDlg.h"

#include "DialogUtil.h"
#include "MainForm.h"

TForm6::TForm6(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setWindowTitle(QStringLiteral("文字色と背景色の設定"));
    DialogUtil::makeFixedDialog(this, 300, 200);
}

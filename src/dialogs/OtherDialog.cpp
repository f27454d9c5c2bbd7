#include "OtherDialog.h"

#include "DialogUtil.h"
#include "MainForm.h"

TForm4::TForm4(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setWindowTitle(QStringLiteral("外部起動アプリの登録"));
    DialogUtil::makeFixedDialog(this, 300, 200);
}

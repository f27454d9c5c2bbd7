#include "CFC.h"

#include "DialogUtil.h"
#include "MainForm.h"

TForm7::TForm7(MainForm& main, const AppEnv& env, QWidget* parent)
    : QDialog(parent), m_main(main), m_env(env)
{
    setWindowTitle(QStringLiteral("Ver1.02用の設定ファイルをインポート"));
    DialogUtil::makeFixedDialog(this, 300, 200);
}

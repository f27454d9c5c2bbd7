#include "MyInputDialog.h"

#include "DialogUtil.h"
#include "Guard.h"
#include "KaDialog.h"
#include "MainForm.h"

#include <QLineEdit>
#include <QPushButton>

TForm3::TForm3(MainForm& main, const AppEnv& env, QWidget* parent)
    : KaFixedDialog(parent), m_main(main), m_env(env)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QString());
    DialogUtil::makeFixedDialog(this, 193, 73);

    Button1 = plainButton(QStringLiteral("決定"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 40, 75, 25);
    Button2 = plainButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(104, 40, 75, 25);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 8, 177, 20);

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Edit1);
    // No control is named to take the focus first: the first in the tab order
    // has it on the first showing, and later showings keep the last one.
    Button1->setFocus();

    auto run = [this](void (TForm3::*handler)()) {
        guarded(m_env.messages, this, [&] { (this->*handler)(); });
    };
    connect(Button1, &QPushButton::clicked, this, [run] { run(&TForm3::Button1Click); });
    connect(Button2, &QPushButton::clicked, this, [run] { run(&TForm3::Button2Click); });
}

void TForm3::Button1Click()
{
    const QString caption = windowTitle();
    const QString text = Edit1->text();
    if (m_owner) {
        if (caption == QStringLiteral("種別：追加") || caption == QStringLiteral("拡張子：追加"))
            m_owner->InputResult = text;
        else if (caption == QStringLiteral("種別：変更"))
            m_owner->storeCategoryName(text);
        else if (caption == QStringLiteral("拡張子：変更"))
            m_owner->storePatternName(text);
        m_owner->Tag = 1;
    }
    done(QDialog::Accepted);
}

void TForm3::Button2Click()
{
    if (m_owner) m_owner->Tag = 0;
    done(QDialog::Rejected);
}

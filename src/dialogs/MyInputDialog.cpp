#include "MyInputDialog.h"

#include "AccessibleNames.h"
#include "DialogFrame.h"
#include "ExtensionTable.h"
#include "Guard.h"
#include "Messages.h"
#include "OneLine.h"
#include "ViewColours.h"

#include <QLineEdit>
#include <QPushButton>

TForm3::TForm3(const AppEnv& env, QWidget* parent) : KaFixedDialog(parent), m_env(env)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QString());
    DialogFrame::setUp(this, 193, 73);

    Button1 = plainButton(QStringLiteral("決定"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(16, 40, 75, 25);
    Button2 = plainButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(104, 40, 75, 25);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(8, 8, 177, 20);
    OneLine::keep(Edit1);
    AccessibleNames::name(Edit1, QStringLiteral("名前"));   // the one field is the name typed

    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Edit1);
    // No control is named to take the focus first: the first in the tab order
    // has it on the first showing, and later showings keep the last one.
    Button1->setFocus();

    connectGuarded(Button1, &QPushButton::clicked, this, m_env.messages, &TForm3::Button1Click);
    connectGuarded(Button2, &QPushButton::clicked, this, m_env.messages, &TForm3::Button2Click);
}

void TForm3::prepare(const QString& caption, const QString& text, const ViewColors& colors)
{
    m_answer = Answer{};
    ViewColours::apply(Edit1, colors);
    setWindowTitle(caption);
    Edit1->setText(text);
}

void TForm3::Button1Click()
{
    const QString caption = windowTitle();
    const QString text = Edit1->text();
    // The extension table's file marks its parts with these lines; a name
    // equal to one would cut the table at the next reading. The dialog stays
    // open so that the name can be mended.
    if (ExtensionTable::markerOf(text) != ExtensionTable::Marker::None) {
        m_env.messages.warning(this, markerRefusal(text));
        return;
    }
    Stored stored = Stored::Nothing;
    if (caption == QStringLiteral("種別：追加") || caption == QStringLiteral("拡張子：追加")) {
        stored = Stored::NewName;
        m_inputResult = text;
    } else if (caption == QStringLiteral("種別：変更")) {
        stored = Stored::CategoryName;
    } else if (caption == QStringLiteral("拡張子：変更")) {
        stored = Stored::PatternName;
    }
    m_answer = Answer{true, stored, stored == Stored::Nothing ? QString() : text};
    done(QDialog::Accepted);
}

QString TForm3::markerRefusal(const QString& name)
{
    return QStringLiteral("「%1」は拡張子の設定ファイルの区切りの記号なので、名前には使えません。").arg(name);
}

void TForm3::Button2Click()
{
    m_answer = Answer{};
    done(QDialog::Rejected);
}

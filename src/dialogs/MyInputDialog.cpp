#include "MyInputDialog.h"

#include "AccessibleNames.h"
#include "DialogFrame.h"
#include "ExtensionTable.h"
#include "Guard.h"
#include "LineBuffer.h"
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
    // A name is one line of exitem.cfg.
    OneLine::keep(Edit1, m_env.messages, LineBuffer::MaxLineBytes);
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
    // The extension table's file marks its parts with these lines: "**" in
    // any place, and "***" as a pattern, would cut or shift the table at the
    // next reading (a category name "***" reads back as a name). The dialog
    // stays open so that the name can be mended.
    const ExtensionTable::Marker marker = ExtensionTable::markerOf(text);
    const bool pattern = caption.startsWith(QStringLiteral("拡張子："));
    if (marker == ExtensionTable::Marker::Separator || (marker == ExtensionTable::Marker::End && pattern)) {
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
    // Two lines, each short enough for the message box never to wrap it.
    return QStringLiteral("「%1」は拡張子の設定ファイルの区切りの記号なので、\n名前には使えません。").arg(name);
}

void TForm3::Button2Click()
{
    m_answer = Answer{};
    done(QDialog::Rejected);
}

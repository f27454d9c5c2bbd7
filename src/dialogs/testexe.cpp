#include "testexe.h"

#include "AccessibleNames.h"
#include "CommandLine.h"
#include "CommonDialogs.h"
#include "DialogFrame.h"
#include "FolderButton.h"
#include "FsPath.h"
#include "Guard.h"
#include "MainForm.h"
#include "Messages.h"
#include "OneLine.h"
#include "OtherImage.h"
#include "Platform.h"
#include "ViewColours.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>


TForm5::TForm5(MainForm& main, const AppEnv& env, QWidget* parent)
    : FormDialog(env.messages, parent), m_main(main), m_env(env)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Form5"));
    DialogFrame::setUp(this, 393, 130);

    AppImg = new ImageBox(this);
    AppImg->setObjectName(QStringLiteral("AppImg"));
    AppImg->move(8, 8);
    Label1 = DialogFrame::plainLabel(QStringLiteral("Title:"), QStringLiteral("Label1"), this, QRect(32, 9, 48, 15));
    Ltitle = DialogFrame::fieldLabel(QStringLiteral("Ltitle"), this, QRect(82, 9, 303, 15));
    Label2 = DialogFrame::plainLabel(QStringLiteral("Path:"), QStringLiteral("Label2"), this, QRect(32, 29, 48, 15));
    LPath = DialogFrame::fieldLabel(QStringLiteral("LPath"), this, QRect(82, 29, 303, 15));
    Label3 = DialogFrame::plainLabel(QStringLiteral("Option:"), QStringLiteral("Label3"), this, QRect(32, 49, 48, 15));
    LOpt = DialogFrame::fieldLabel(QStringLiteral("LOpt"), this, QRect(82, 49, 303, 15));

    Label4 = DialogFrame::plainLabel(QStringLiteral("対象ファイル"), QStringLiteral("Label4"), this, QRect(8, 75, 70, 15));
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setGeometry(82, 72, 279, 20);
    OneLine::keep(Edit1, m_env.messages);
    FolderBtn = folderButton(this, QRect(365, 72, 20, 20),
                             QStringLiteral("対象ファイルへのパスを指定するダイアログボックスを開きます。"));

    AccessibleNames::nameAfter(Label4, Edit1);
    AccessibleNames::name(FolderBtn, QStringLiteral("対象ファイルへのパスを指定"));
    AccessibleNames::name(AppImg, QStringLiteral("アイコン"));

    Button1 = DialogFrame::plainButton(QStringLiteral("テスト実行"), "Button1", this, QRect(231, 100, 75, 24));
    Button2 = DialogFrame::plainButton(QStringLiteral("終了"), "Button2", this, QRect(310, 100, 75, 24));
    setTabOrder(Edit1, Button1);
    setTabOrder(Button1, Button2);

    Messages& messages = m_env.messages;
    connectGuarded(FolderBtn, &QToolButton::clicked, this, messages, &TForm5::FolderBtnClick);
    connectGuarded(Edit1, &QLineEdit::returnPressed, this, messages, [this] { Edit1KeyPress(QChar(13)); });
    connectGuarded(Button1, &QPushButton::clicked, this, messages, &TForm5::Button1Click);
    connectGuarded(Button2, &QPushButton::clicked, this, messages, &TForm5::Button2Click);
}

void TForm5::showRow(const AppSlots::Row& row, const QImage& picture)
{
    m_row = row;
    Ltitle->setText(row.title);
    LOpt->setText(row.option);
    LPath->setText(row.path);
    AppSlots::fillButtonFace(&m_picture);
    AppSlots::drawOpaque(&m_picture, picture);
    AppImg->setPicture(m_picture);
}

void TForm5::FormShow()
{
    ViewColours::apply(Edit1, m_main.viewColors());
}

void TForm5::FolderBtnClick()
{
    QString path;
    if (m_env.dialogs.openFile(this, QString(), QString(), &path)) Edit1->setText(path);
}

void TForm5::Edit1KeyPress(QChar key)
{
    if (key != QChar(13)) return;
    if (FsPath::kind(Edit1->text()) != FsPath::Kind::File)
        m_env.messages.warning(this, QStringLiteral("そのファイルPathは不正です。"));
}

QString TForm5::commandLine() const
{
    // The main window's file mode with the target in place of folder and name:
    // an empty target still leaves its blank, so the program gets no argument.
    return CommandLine::withFile(m_row.path, Edit1->text(), m_row.option);
}

void TForm5::Button1Click()
{
    // A row without a program (unregistered, or a path of blanks) is not
    // tried: the target file must never be started in its place.
    if (!CommandLine::hasProgram(m_row.path)) return;
    m_env.platform.startProgram(commandLine());
}

void TForm5::Button2Click()
{
    reject();
}
